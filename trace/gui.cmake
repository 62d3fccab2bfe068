# The log window: a Qt view over the tracing core. Its Options command is
# supplied by the program (app/), so it knows no dialog.
add_library(vexmoor_trace_view STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CVexmoorView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CVexmoorView.h)
vexmoor_use_qt(vexmoor_trace_view)
target_include_directories(vexmoor_trace_view PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vexmoor_trace_view
  PUBLIC vexmoor_trace vexmoor_base_qt Qt6::Widgets Qt6::PrintSupport
  PRIVATE vexmoor_warnings)
