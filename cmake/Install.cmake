# What `cmake --install` puts where: the two programs, the desktop entry, the
# icons, the AppStream metainfo, the man pages, the bash completion and the
# documents. Tests and benchmarks install nothing.
include(GNUInstallDirs)

# The release these files describe; the about box shows the same date.
set(VEXMOOR_RELEASE_DATE "2000-12-28")
set(VEXMOOR_RELEASE_DATE_RFC2822 "Thu, 28 Dec 2000 12:00:00 +0000")
# The desktop's name for the program: desktop entry, icon and metainfo.
set(VEXMOOR_APP_ID "example.orrindale.Vexmoor")
# Lower case, as a Debian package's folder must be, whatever project() says.
set(VEXMOOR_INSTALL_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/vexmoor")

set(vexmoor_packaging_dir "${PROJECT_SOURCE_DIR}/packaging")
set(vexmoor_generated_dir "${PROJECT_BINARY_DIR}/packaging")

install(TARGETS vexmoor-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian wants man pages and the changelog compressed, byte for byte the same
# on every build (no name or time stamp in the gzip header).
find_program(VEXMOOR_GZIP gzip REQUIRED)
set(vexmoor_compressed_files)
function(vexmoor_gzip file)
  add_custom_command(
    OUTPUT ${file}.gz
    COMMAND ${VEXMOOR_GZIP} -9 -n -f -k ${file}
    DEPENDS ${file}
    VERBATIM)
  set(vexmoor_compressed_files ${vexmoor_compressed_files} ${file}.gz PARENT_SCOPE)
endfunction()

# The man pages carry the project's version and release date.
foreach(page vexmoor.1 vexmoor-cli.1)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page} ${vexmoor_generated_dir}/man/${page} @ONLY)
  vexmoor_gzip(${vexmoor_generated_dir}/man/${page})
endforeach()
install(FILES ${vexmoor_generated_dir}/man/vexmoor-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${vexmoor_packaging_dir}/bash-completion/vexmoor-cli
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions)

configure_file(${vexmoor_packaging_dir}/changelog.in ${vexmoor_generated_dir}/changelog @ONLY)
vexmoor_gzip(${vexmoor_generated_dir}/changelog)
add_custom_target(vexmoor_compressed_docs ALL DEPENDS ${vexmoor_compressed_files})
install(FILES
          ${PROJECT_SOURCE_DIR}/README.md
          ${PROJECT_SOURCE_DIR}/docs/performance.md
          ${vexmoor_packaging_dir}/copyright
          ${vexmoor_generated_dir}/changelog.gz
        DESTINATION ${VEXMOOR_INSTALL_DOCDIR})
# The README's picture, where its link points.
install(FILES ${PROJECT_SOURCE_DIR}/docs/images/first-session.png
        DESTINATION ${VEXMOOR_INSTALL_DOCDIR}/docs/images)

if(VEXMOOR_BUILD_GUI)
  install(TARGETS vexmoor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${vexmoor_generated_dir}/man/vexmoor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${vexmoor_packaging_dir}/${VEXMOOR_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  configure_file(${vexmoor_packaging_dir}/${VEXMOOR_APP_ID}.metainfo.xml.in
                 ${vexmoor_generated_dir}/${VEXMOOR_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${vexmoor_generated_dir}/${VEXMOOR_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

  # The program's own icon, the one its windows show, is the scalable icon;
  # the fixed sizes are drawn from it at build time.
  set(icon_source ${PROJECT_SOURCE_DIR}/res/images/vexmoor.svg)
  set(icon_dir ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor)
  install(FILES ${icon_source} DESTINATION ${icon_dir}/scalable/apps RENAME ${VEXMOOR_APP_ID}.svg)
  find_program(VEXMOOR_RSVG_CONVERT rsvg-convert REQUIRED)
  set(icon_pngs)
  foreach(size 48 256)
    set(png ${vexmoor_generated_dir}/icons/${size}/${VEXMOOR_APP_ID}.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${vexmoor_generated_dir}/icons/${size}
      COMMAND ${VEXMOOR_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${icon_source}
      DEPENDS ${icon_source}
      VERBATIM)
    list(APPEND icon_pngs ${png})
    install(FILES ${png} DESTINATION ${icon_dir}/${size}x${size}/apps)
  endforeach()
  add_custom_target(vexmoor_icons ALL DEPENDS ${icon_pngs})
endif()
