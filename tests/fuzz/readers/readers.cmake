# Fuzz targets of the readers of local files: the preferences journal, Info values, the keychain
# file, the analytics queue and the SDK's server list; and of the decoding of the back end's answers
# (answers/, its sources named from the project's root). They need C++23 (<expected>), which Debian's
# clang-14 cannot compile against libstdc++ 12, so they use clang-16: with its libFuzzer runtime each
# target is a libFuzzer program run for a few seconds under ASan and UBSan; without it a bounded
# random-input driver built with the project's compiler takes its place.
find_program(MORVEX_FUZZ_CLANGXX NAMES clang++-16)
set(reader_dir ${CMAKE_CURRENT_LIST_DIR})
set(reader_platform ${PROJECT_SOURCE_DIR}/platform)
set(reader_common foundation/BoundedJson.cpp foundation/Value.cpp foundation/Codec.cpp)
set(reader_targets defaults info keychain analytics servers answers)
set(reader_defaults_harness DefaultsJournalFuzz.cpp)
set(reader_defaults_sources foundation/DefaultsJournal.cpp)
set(reader_info_harness InfoValuesFuzz.cpp)
set(reader_info_sources)
set(reader_keychain_harness KeychainFileFuzz.cpp)
set(reader_keychain_sources foundation/KeychainFile.cpp)
set(reader_analytics_harness AnalyticsQueueFuzz.cpp)
set(reader_analytics_sources foundation/AnalyticsFile.cpp)
set(reader_servers_harness ServerListFuzz.cpp)
set(reader_servers_sources zevu/internal/ServerCatalog.cpp zevu/ZevuCore.cpp foundation/Paths.cpp
    foundation/Log.cpp foundation/Error.cpp)
set(reader_answers_dir ${CMAKE_CURRENT_LIST_DIR}/../answers)
set(reader_answers_harness ApiAnswersFuzz.cpp)
set(reader_answers_sources foundation/Error.cpp ${PROJECT_SOURCE_DIR}/src/api/Decoding.cpp
    ${PROJECT_SOURCE_DIR}/src/api/Envelopes.cpp ${PROJECT_SOURCE_DIR}/src/model/JsonCoding.cpp
    ${PROJECT_SOURCE_DIR}/src/model/ProfileResponseModel.cpp ${PROJECT_SOURCE_DIR}/src/model/AuthObject.cpp)
foreach(name ${reader_targets})
  if(NOT DEFINED reader_${name}_dir)
    set(reader_${name}_dir ${reader_dir})
    set(reader_${name}_seeds /${name})
  endif()
endforeach()
# A source is named from platform/ unless its path is absolute.
function(reader_source_path source out)
  if(IS_ABSOLUTE ${source})
    set(${out} ${source} PARENT_SCOPE)
  else()
    set(${out} ${reader_platform}/${source} PARENT_SCOPE)
  endif()
endfunction()

set(reader_libfuzzer FALSE)
if(MORVEX_FUZZ_CLANGXX)
  execute_process(COMMAND ${MORVEX_FUZZ_CLANGXX} -print-file-name=libclang_rt.fuzzer-x86_64.a
    OUTPUT_VARIABLE reader_fuzzer_runtime OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(EXISTS "${reader_fuzzer_runtime}")
    set(reader_libfuzzer TRUE)
  endif()
endif()

if(reader_libfuzzer)
  # Each source is compiled once, with coverage and the sanitizers, and shared by the targets.
  # libstdc++ 12 offers <expected> only to a compiler that announces C++20 concepts in full
  # (__cpp_concepts 202002); clang-16 compiles it but announces an older value.
  set(reader_flags -std=c++2b -U__cpp_concepts -D__cpp_concepts=202002L -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
      -I${reader_platform} -I${PROJECT_SOURCE_DIR}/src)
  set(reader_objects_dir ${CMAKE_CURRENT_BINARY_DIR}/reader_fuzz_objects)
  function(reader_fuzz_object source out)
    string(MAKE_C_IDENTIFIER ${source} id)
    set(object ${reader_objects_dir}/${id}.o)
    add_custom_command(OUTPUT ${object}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${reader_objects_dir}
      COMMAND ${MORVEX_FUZZ_CLANGXX} ${reader_flags} -MD -MF ${object}.d -c ${source} -o ${object}
      DEPENDS ${source} DEPFILE ${object}.d VERBATIM)
    set(${out} ${object} PARENT_SCOPE)
  endfunction()
  foreach(name ${reader_targets})
    set(objects)
    foreach(src ${reader_common} ${reader_${name}_sources})
      reader_source_path(${src} path)
      reader_fuzz_object(${path} object)
      list(APPEND objects ${object})
    endforeach()
    reader_fuzz_object(${reader_${name}_dir}/${reader_${name}_harness} object)
    list(APPEND objects ${object})
    list(REMOVE_DUPLICATES objects)
    set(fuzzer ${CMAKE_CURRENT_BINARY_DIR}/reader_fuzzer_${name})
    add_custom_command(OUTPUT ${fuzzer}
      COMMAND ${MORVEX_FUZZ_CLANGXX} -fsanitize=fuzzer,address,undefined ${objects} -lz -o ${fuzzer}
      DEPENDS ${objects} VERBATIM)
    add_custom_target(reader_fuzz_${name} ALL DEPENDS ${fuzzer})
    # New inputs go to a scratch corpus in the build tree; the committed seeds are only read.
    set(scratch ${CMAKE_CURRENT_BINARY_DIR}/reader_corpus_${name})
    add_test(NAME ReaderFuzz.${name}
      COMMAND sh -c "rm -rf '${scratch}' && mkdir -p '${scratch}' && exec '${fuzzer}' '${scratch}' '${reader_${name}_dir}/seeds${reader_${name}_seeds}' -max_total_time=8 -timeout=5 -rss_limit_mb=2048 -print_final_stats=1")
    set_tests_properties(ReaderFuzz.${name} PROPERTIES TIMEOUT 120)
  endforeach()
else()
  message(STATUS "clang-16's libFuzzer not found: the file readers run under a bounded random-input driver")
  foreach(name ${reader_targets})
    set(sources)
    foreach(src ${reader_common} ${reader_${name}_sources})
      reader_source_path(${src} path)
      list(APPEND sources ${path})
    endforeach()
    add_executable(reader_fuzz_${name} ${sources} ${reader_${name}_dir}/${reader_${name}_harness}
                   ${reader_dir}/../RandomDriver.cpp)
    target_include_directories(reader_fuzz_${name} PRIVATE ${reader_platform} ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(reader_fuzz_${name} PRIVATE nlohmann_json::nlohmann_json ZLIB::ZLIB)
    add_test(NAME ReaderFuzz.${name}
      COMMAND reader_fuzz_${name} 20000 ${reader_${name}_dir}/seeds${reader_${name}_seeds})
    set_tests_properties(ReaderFuzz.${name} PROPERTIES TIMEOUT 120)
  endforeach()
endif()
