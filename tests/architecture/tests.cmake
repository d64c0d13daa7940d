# The include rules between src/'s folders (tools/include-check): the rules over fixture trees,
# then the real source tree, whose broken rules are printed by file and line.
if(TARGET morvex_include_rules)
  add_executable(architecture_tests ${CMAKE_CURRENT_LIST_DIR}/IncludeRulesTest.cpp)
  target_link_libraries(architecture_tests PRIVATE morvex_include_rules GTest::gtest GTest::gtest_main)
  set_target_properties(architecture_tests PROPERTIES AUTOMOC OFF)
  gtest_discover_tests(architecture_tests DISCOVERY_MODE PRE_TEST PROPERTIES LABELS architecture_tests)

  # Qt Widgets' own include folder, whose header names a view model may not include.
  get_target_property(qt_widget_dirs Qt6::Widgets INTERFACE_INCLUDE_DIRECTORIES)
  set(qt_widgets_dir "")
  foreach(dir ${qt_widget_dirs})
    if(dir MATCHES "/QtWidgets$")
      set(qt_widgets_dir ${dir})
    endif()
  endforeach()
  add_test(NAME include_rules
    COMMAND morvex-include-check ${PROJECT_SOURCE_DIR}/src --widgets ${qt_widgets_dir})
  set_tests_properties(include_rules PROPERTIES LABELS architecture_tests)
endif()
