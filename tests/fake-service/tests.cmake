# Suites that talk to the local back end run it in-process.
foreach(suite foundation_tests api_tests services_tests viewmodels_tests app_tests)
  if(TARGET ${suite} AND TARGET morvex_fake_service)
    target_link_libraries(${suite} PRIVATE morvex_fake_service)
  endif()
endforeach()
