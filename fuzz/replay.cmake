# The fuzz targets' replay runners, built with any compiler and run by ctest over the saved
# regression inputs and the fixture PDFs. Included from tests/CMakeLists.txt, so it exists in
# every build; the libFuzzer binaries themselves live in fuzz/CMakeLists.txt.

set(quillstone_fuzz_dir ${PROJECT_SOURCE_DIR}/fuzz)
add_executable(quillstone_fuzz_extract_replay ${quillstone_fuzz_dir}/fuzz_extract.cpp
    ${quillstone_fuzz_dir}/replay_main.cpp)
target_compile_options(quillstone_fuzz_extract_replay PRIVATE ${quillstone_warnings})
target_link_libraries(quillstone_fuzz_extract_replay PRIVATE quillstone_core)

file(GLOB quillstone_fixture_pdfs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fixtures/*.pdf)
add_test(NAME fuzz_extract_replay
    COMMAND quillstone_fuzz_extract_replay ${PROJECT_SOURCE_DIR}/tests/fixtures/fuzz
        ${quillstone_fixture_pdfs})
set_tests_properties(fuzz_extract_replay PROPERTIES TIMEOUT 120)
