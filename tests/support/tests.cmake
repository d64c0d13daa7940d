# The keychain cases once more against a real Secret Service (gnome-keyring on its own bus).
if(TARGET foundation_tests)
  add_test(NAME KeychainOnSecretService
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/run-with-secret-service.sh $<TARGET_FILE:foundation_tests>
            --gtest_filter=KeychainTest.*)
  set_tests_properties(KeychainOnSecretService PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
endif()
