#!/bin/sh
# Stands in for nft in tests: keeps one table in $FAKE_NFT_STATE/table, logs every call to
# $FAKE_NFT_STATE/calls, and fails a load with the status in $FAKE_NFT_STATE/load-status.
state=${FAKE_NFT_STATE:?}
echo "$*" >> "$state/calls"
case "$1" in
  list)
    if [ -f "$state/table" ]; then cat "$state/table"; exit 0; fi
    echo "Error: No such file or directory" >&2; exit 1 ;;
  delete)
    if [ -f "$state/table" ]; then rm -f "$state/table"; exit 0; fi
    echo "Error: No such file or directory" >&2; exit 1 ;;
  -f)
    script=$(cat)
    printf '%s\n' "$script" > "$state/last-script"
    if [ -f "$state/load-status" ]; then exit "$(cat "$state/load-status")"; fi
    file=$(printf '%s\n' "$script" | sed -n 's/^include "\(.*\)"$/\1/p')
    cp "$file" "$state/table"; exit 0 ;;
esac
exit 2
