# The options dialog and the Options command over it.
add_library(vexmoor_options_ui STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/COptionsDlg.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/COptionsDlg.h
  ${CMAKE_CURRENT_SOURCE_DIR}/WaitCursor.h)
vexmoor_use_qt(vexmoor_options_ui)
target_include_directories(vexmoor_options_ui PUBLIC ${PROJECT_SOURCE_DIR})
# vexmoor_res is defined by a folder added after this one; vexmoor_profile
# (the profile interface) once app/ defines it.
target_link_libraries(vexmoor_options_ui
  PUBLIC vexmoor_options vexmoor_trace vexmoor_res Qt6::Widgets
         $<TARGET_NAME_IF_EXISTS:vexmoor_profile>
  PRIVATE vexmoor_warnings)
