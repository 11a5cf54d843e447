# The window's event pump against the plain host: the same 50 MB export converted through both.
if(REFQUILL_GUI AND TARGET shell AND TARGET export_generator)
  add_executable(gui_pump_bench ${CMAKE_CURRENT_LIST_DIR}/gui_pump_bench.cpp)
  target_link_libraries(gui_pump_bench PRIVATE shell platform export_generator benchmark::benchmark
                                               rq_warnings)
endif()

# The run log's memory in the window after a 2 GB cutting export (peak RSS, at most 64 MiB).
if(REFQUILL_GUI AND TARGET shell AND TARGET export_generator)
  add_executable(log_memory_bench ${CMAKE_CURRENT_LIST_DIR}/log_memory_bench.cpp)
  target_link_libraries(log_memory_bench PRIVATE shell platform export_generator rq_warnings)
endif()
