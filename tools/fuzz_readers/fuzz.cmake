# Fuzz target for the side-file readers (rosters, free texts, person text files). Included by
# tools/fuzz/CMakeLists.txt in its clang build; the main GCC build never reads this file.
add_executable(fuzz_readers
  ${QUILLET_ROOT}/tools/fuzz_readers/fuzz_readers.cpp
  ${QUILLET_ROOT}/reports/side_text_readers.cpp)
target_link_libraries(fuzz_readers PRIVATE fuzz_store)

# Fuzz target for quillet-batch's text conventions (input unescaping, output escaping).
add_executable(fuzz_batch_text
  ${QUILLET_ROOT}/tools/fuzz_readers/fuzz_batch_text.cpp
  ${QUILLET_ROOT}/tools/batch/batch_text.cpp)
target_link_libraries(fuzz_batch_text PRIVATE fuzz_store)

# Seed the corpora that tools/fuzz/run.sh uses for these targets (corpus-<target>).
foreach(target fuzz_readers fuzz_batch_text)
  file(GLOB seeds ${QUILLET_ROOT}/tools/fuzz_readers/seeds/${target}/*)
  file(COPY ${seeds} DESTINATION ${CMAKE_BINARY_DIR}/corpus-${target})
endforeach()
