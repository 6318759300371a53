# Fuzz target for the GEDCOM reader behind quillet-import. Included by tools/fuzz/CMakeLists.txt
# in its clang build; the main GCC build never reads this file.
add_executable(fuzz_gedcom_import
  ${QUILLET_ROOT}/tools/fuzz_import/fuzz_gedcom_import.cpp
  ${QUILLET_ROOT}/reports/gedcom_import.cpp
  ${QUILLET_ROOT}/reports/gedcom_document.cpp
  ${QUILLET_ROOT}/reports/gedcom_export.cpp)
target_link_libraries(fuzz_gedcom_import PRIVATE fuzz_store)

file(GLOB seeds ${QUILLET_ROOT}/tools/fuzz_import/seeds/fuzz_gedcom_import/*)
file(COPY ${seeds} DESTINATION ${CMAKE_BINARY_DIR}/corpus-fuzz_gedcom_import)
