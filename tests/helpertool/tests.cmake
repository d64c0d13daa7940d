# The helper's tests run the helper program as its own process and talk to it as a signed client,
# so the test program is signed with the build's key after each link. Attacks are run as user
# nobody with the programs of tests/helper-callers. The kill-switch test also
# needs root, iproute2 and nftables (it makes network namespaces of its own).
if(TARGET helpertool_tests)
  add_custom_command(TARGET helpertool_tests POST_BUILD
    COMMAND morvex-codesign sign ${MORVEX_SIGNING_KEY_FILE} $<TARGET_FILE:helpertool_tests> VERBATIM)
  add_dependencies(helpertool_tests morvex-codesign morvex_signing_key com.morvex.mac.vpn.helpertool
                   morvex_sign_com.morvex.mac.vpn.helpertool)
  target_compile_definitions(helpertool_tests PRIVATE
    MORVEX_HELPERTOOL_PATH="$<TARGET_FILE:com.morvex.mac.vpn.helpertool>"
    MORVEX_HELPER_ATTACKER_PATH="$<TARGET_FILE:helper_attacker>"
    MORVEX_HELPER_INJECTED_PATH="$<TARGET_FILE:helper_injected>"
    MORVEX_HELPER_SIGNED_CLIENT_PATH="$<TARGET_FILE:helper_signed_client>"
    MORVEX_HELPER_UNIT_DIR="${PROJECT_BINARY_DIR}/src/helpertool")
  add_dependencies(helpertool_tests helper_attacker helper_injected helper_signed_client)
  target_link_libraries(helpertool_tests PRIVATE morvex_helpertool)
  # The firewall manager (the helper's client) is part of the SDK.
  target_link_libraries(helpertool_tests PRIVATE zevu_sdk)
endif()
