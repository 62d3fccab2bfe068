# The log window: a Qt view over the tracing core.
add_library(vexmoor_trace_view STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/CVexmoorView.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/CVexmoorView.h)
vexmoor_use_qt(vexmoor_trace_view)
target_include_directories(vexmoor_trace_view PUBLIC ${PROJECT_SOURCE_DIR})
# vexmoor_options and vexmoor_res are defined by folders added after this one;
# vexmoor_profile (the profile over QSettings) is linked once app/ defines it.
target_link_libraries(vexmoor_trace_view
  PUBLIC vexmoor_trace vexmoor_options vexmoor_options_ui vexmoor_res Qt6::Widgets Qt6::PrintSupport
         $<TARGET_NAME_IF_EXISTS:vexmoor_profile>
  PRIVATE vexmoor_warnings)
