# The account of a failed run that zvtool gives from the driver's trace.
zv_library(zvtool_trace ${CMAKE_CURRENT_LIST_DIR}/trace_summary.cpp)
