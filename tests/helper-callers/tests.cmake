# Programs the helper's tests run as a local attacker would: an unsigned attacker, a library it
# brings into other programs, and a program signed with the build's key (a stand-in for the
# application). None of them is shipped.
add_executable(helper_attacker ${CMAKE_CURRENT_LIST_DIR}/attacker_main.cpp
               ${PROJECT_SOURCE_DIR}/platform/foundation/FrameCodec.cpp)
target_include_directories(helper_attacker PRIVATE ${PROJECT_SOURCE_DIR}/platform)

add_library(helper_injected SHARED ${CMAKE_CURRENT_LIST_DIR}/injected_library.cpp)

add_executable(helper_signed_client ${CMAKE_CURRENT_LIST_DIR}/signed_client_main.cpp)
target_link_libraries(helper_signed_client PRIVATE morvex_foundation ${CMAKE_DL_LIBS})
add_custom_command(TARGET helper_signed_client POST_BUILD
  COMMAND morvex-codesign sign ${MORVEX_SIGNING_KEY_FILE} $<TARGET_FILE:helper_signed_client> VERBATIM)
add_dependencies(helper_signed_client morvex-codesign morvex_signing_key)
# A library that hides itself once loaded: it erases its own LD_PRELOAD entry, copies its code into
# anonymous memory and unmaps its file before it talks to the helper. The code that runs from the
# copy may reach nothing but what it is handed: no calls through the library's own tables, no
# constants of its own, no stack checks.
add_library(helper_hidden SHARED ${CMAKE_CURRENT_LIST_DIR}/hidden_library.cpp)
target_compile_options(helper_hidden PRIVATE -fno-stack-protector -fno-jump-tables -fno-builtin
                       -fno-tree-loop-distribute-patterns -O1)
target_link_libraries(helper_hidden PRIVATE ${CMAKE_DL_LIBS})

# A login manager of the tests' own (sessions read from a file), for a bus of the tests' own.
add_executable(helper_fake_login_manager ${CMAKE_CURRENT_LIST_DIR}/fake_login_manager.cpp)
target_link_libraries(helper_fake_login_manager PRIVATE PkgConfig::LIBSYSTEMD)

set_target_properties(helper_attacker helper_injected helper_hidden helper_signed_client helper_fake_login_manager
                      PROPERTIES AUTOMOC OFF)
