# jconvpro.exe work on a 10,000-record CSV of realistic references: CSV -> PDB and PDB -> CSV.
add_executable(converter_bench ${CMAKE_CURRENT_LIST_DIR}/converter_bench.cpp)
target_link_libraries(converter_bench PRIVATE jfile benchmark::benchmark rq_warnings)
