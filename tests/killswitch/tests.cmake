# The kill switch from the engine down to the helper: the connection engine drives the real helper,
# run as its own process inside a network namespace of the test's making (root, iproute2, nftables).
# Its folder sorts after helpertool/, whose tests.cmake defines morvex_helper_client_suite.
morvex_test_suite(killswitch_tests DIRS killswitch LIBS morvex_services)
if(TARGET killswitch_tests)
  target_sources(killswitch_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../helpertool/HelperTestSupport.cpp)
  morvex_helper_client_suite(killswitch_tests)
endif()
