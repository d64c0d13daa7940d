# The keychain cases once more against a real Secret Service (gnome-keyring on its own bus).
if(TARGET foundation_tests)
  add_test(NAME KeychainOnSecretService
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/run-with-secret-service.sh $<TARGET_FILE:foundation_tests>
            --gtest_filter=KeychainTest.*)
  # Under ASan the leak report must see libsecret's frames to match its suppression (lsan.supp).
  set(secret_service_environment "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0")
  set_tests_properties(KeychainOnSecretService PROPERTIES ENVIRONMENT "${secret_service_environment}" TIMEOUT 120
                       LABELS foundation_tests)
endif()

# Test runs leave nothing in the temporary folder: not the keyring's throw-away home, not the runtime
# folder Qt makes when the session names none.
if(TARGET foundation_tests)
  add_test(NAME TestRunsLeaveNothingBehind.plain
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/leaves-nothing-behind.sh ${CMAKE_CURRENT_BINARY_DIR}/tmp-plain
            $<TARGET_FILE:foundation_tests> --gtest_filter=PathsTest.*:KeychainTest.DataAndBoolRoundTrip)
  add_test(NAME TestRunsLeaveNothingBehind.secretService
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/leaves-nothing-behind.sh ${CMAKE_CURRENT_BINARY_DIR}/tmp-secret-service
            ${CMAKE_CURRENT_LIST_DIR}/run-with-secret-service.sh $<TARGET_FILE:foundation_tests>
            --gtest_filter=KeychainTest.DataAndBoolRoundTrip)
  set_tests_properties(TestRunsLeaveNothingBehind.plain TestRunsLeaveNothingBehind.secretService PROPERTIES
                       ENVIRONMENT "${secret_service_environment}" TIMEOUT 120 LABELS foundation_tests)
endif()

# The keychain on a Secret Service that has no login collection: the items go to the private file,
# and a later run (a restart) finds them there.
if(TARGET foundation_tests)
  add_test(NAME KeychainOnSecretServiceWithoutLoginCollection
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/run-with-secret-service.sh $<TARGET_FILE:foundation_tests>
            --gtest_filter=KeychainTest.*:KeychainWithoutLoginCollection.*)
  set_tests_properties(KeychainOnSecretServiceWithoutLoginCollection PROPERTIES
                       ENVIRONMENT "${secret_service_environment};MORVEX_KEYRING_LOGIN=none" TIMEOUT 120
                       LABELS foundation_tests)
endif()
