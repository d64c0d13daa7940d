# The developer script itself.
add_test(NAME DevSetupWithoutSudo
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/setup-without-sudo.sh ${PROJECT_SOURCE_DIR}/dev
          ${CMAKE_CURRENT_BINARY_DIR}/dev-setup-without-sudo)
set_tests_properties(DevSetupWithoutSudo PROPERTIES TIMEOUT 60)
