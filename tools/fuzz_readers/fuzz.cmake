# Fuzz target for the side-file readers (rosters, free texts, person text files). Included by
# tools/fuzz/CMakeLists.txt in its clang build; the main GCC build never reads this file.
add_executable(fuzz_readers
  ${QUILLET_ROOT}/tools/fuzz_readers/fuzz_readers.cpp
  ${QUILLET_ROOT}/reports/side_text_readers.cpp)
target_link_libraries(fuzz_readers PRIVATE fuzz_store)

# Seed the corpus that tools/fuzz/run.sh uses for this target.
file(GLOB fuzz_readers_seeds ${QUILLET_ROOT}/tools/fuzz_readers/seeds/*)
file(COPY ${fuzz_readers_seeds} DESTINATION ${CMAKE_BINARY_DIR}/corpus-fuzz_readers)
