# Fuzzing of the helper's frame decoder. With clang and its libFuzzer runtime the target is a real
# libFuzzer program run for a short while under ASan and UBSan; without them a bounded random-input
# driver built with the project's compiler takes its place.
find_program(MORVEX_CLANGXX NAMES clang++ clang++-14)
set(fuzz_sources ${PROJECT_SOURCE_DIR}/platform/foundation/FrameCodec.cpp ${CMAKE_CURRENT_LIST_DIR}/FrameDecoderFuzz.cpp)
set(have_libfuzzer FALSE)
if(MORVEX_CLANGXX)
  execute_process(COMMAND ${MORVEX_CLANGXX} -print-file-name=libclang_rt.fuzzer-x86_64.a
    OUTPUT_VARIABLE fuzzer_runtime OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(EXISTS "${fuzzer_runtime}")
    set(have_libfuzzer TRUE)
  else()
    execute_process(COMMAND ${MORVEX_CLANGXX} -print-runtime-dir
      OUTPUT_VARIABLE runtime_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS "${runtime_dir}/libclang_rt.fuzzer-x86_64.a" OR EXISTS "${runtime_dir}/libclang_rt.fuzzer.a")
      set(have_libfuzzer TRUE)
    endif()
  endif()
endif()

if(have_libfuzzer)
  set(fuzzer ${CMAKE_CURRENT_BINARY_DIR}/frame_decoder_fuzzer)
  add_custom_command(OUTPUT ${fuzzer}
    COMMAND ${MORVEX_CLANGXX} -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I${PROJECT_SOURCE_DIR}/platform ${fuzz_sources} -o ${fuzzer}
    DEPENDS ${fuzz_sources} ${PROJECT_SOURCE_DIR}/platform/foundation/FrameCodec.h VERBATIM)
  add_custom_target(frame_decoder_fuzz ALL DEPENDS ${fuzzer})
  # New inputs go to a scratch corpus in the build tree; the committed seeds are only read.
  set(scratch ${CMAKE_CURRENT_BINARY_DIR}/frame_decoder_corpus)
  add_test(NAME FrameDecoderFuzz
    COMMAND sh -c "rm -rf '${scratch}' && mkdir -p '${scratch}' && exec '${fuzzer}' '${scratch}' '${CMAKE_CURRENT_LIST_DIR}/corpus' -max_total_time=20 -timeout=5 -rss_limit_mb=2048 -print_final_stats=1")
  set_tests_properties(FrameDecoderFuzz PROPERTIES TIMEOUT 120)
else()
  message(STATUS "libFuzzer not found: the frame decoder runs under a bounded random-input driver")
  add_executable(frame_decoder_fuzz ${fuzz_sources} ${CMAKE_CURRENT_LIST_DIR}/RandomDriver.cpp)
  target_include_directories(frame_decoder_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/platform)
  add_test(NAME FrameDecoderFuzz COMMAND frame_decoder_fuzz 200000)
  set_tests_properties(FrameDecoderFuzz PROPERTIES TIMEOUT 120)
endif()

# The readers of local files have fuzz targets of their own (readers/).
include(${CMAKE_CURRENT_LIST_DIR}/readers/readers.cmake)
