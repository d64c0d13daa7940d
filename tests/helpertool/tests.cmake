# The helper's tests run the helper program as its own process and talk to it as a signed client,
# so the test program is signed with the build's key after each link. Attacks are run as user
# nobody with the programs of tests/helper-callers. The kill-switch test also
# needs root, iproute2 and nftables (it makes network namespaces of its own).
# A test program that talks to the helper: signed with the build's key after each link, told
# where the helper and the attack programs are, and built after them. The helper reads a caller's
# whole program to check it and refuses one over 64 MB, so the debug sections are compressed first
# (debuggers read them as they are).
function(morvex_helper_client_suite target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --compress-debug-sections=zlib $<TARGET_FILE:${target}>
    COMMAND morvex-codesign sign ${MORVEX_SIGNING_KEY_FILE} $<TARGET_FILE:${target}> VERBATIM)
  add_dependencies(${target} morvex-codesign morvex_signing_key com.morvex.mac.vpn.helpertool
                   morvex_sign_com.morvex.mac.vpn.helpertool helper_attacker helper_injected helper_hidden helper_signed_client
                   helper_fake_login_manager)
  morvex_path_macros(${target} PRIVATE
    MORVEX_HELPERTOOL_PATH $<TARGET_FILE:com.morvex.mac.vpn.helpertool>
    MORVEX_HELPER_ATTACKER_PATH $<TARGET_FILE:helper_attacker>
    MORVEX_HELPER_INJECTED_PATH $<TARGET_FILE:helper_injected>
    MORVEX_HELPER_HIDDEN_PATH $<TARGET_FILE:helper_hidden>
    MORVEX_HELPER_FAKE_LOGIN_MANAGER_PATH $<TARGET_FILE:helper_fake_login_manager>
    MORVEX_HELPER_SIGNED_CLIENT_PATH $<TARGET_FILE:helper_signed_client>
    MORVEX_HELPER_UNIT_DIR ${PROJECT_BINARY_DIR}/src/helpertool)
  target_link_libraries(${target} PRIVATE morvex_helpertool)
endfunction()

if(TARGET helpertool_tests)
  morvex_helper_client_suite(helpertool_tests)
  # The firewall manager (the helper's client) is part of the SDK.
  target_link_libraries(helpertool_tests PRIVATE zevu_sdk)
endif()
