#!/bin/sh
# Stands in for systemctl in tests: records its arguments.
echo "$*" >> "${FAKE_NFT_STATE:?}/systemctl"
exit 0
