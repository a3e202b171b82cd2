# Install rules: the two programs, the menu entry, the icon in every size, the AppStream
# metadata, the manual pages, the sample show and the template sets, laid out as a Linux desktop
# expects.
include(GNUInstallDirs)

set(BILDERTAFEL_APP_ID "de.bildertafel.Bildertafel")
set(BILDERTAFEL_ICON_SIZES 16 32 48 64 128 256)
set(_bt_data "${PROJECT_SOURCE_DIR}/data")
# Debian's place for a package's documentation, not GNUInstallDirs' share/doc/<Project>.
set(BILDERTAFEL_INSTALL_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/bildertafel")

foreach(_bt_program IN ITEMS bildertafel bildertafel-batch)
    if(TARGET ${_bt_program})
        install(TARGETS ${_bt_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
# The window's module for sending a show, in the package's private library folder (the window
# looks for it there, relative to its bin folder).
if(TARGET bildertafel)
    install(TARGETS bildertafel-publish-transfer
            LIBRARY DESTINATION ${BILDERTAFEL_INSTALL_MODULEDIR})
endif()

install(FILES "${_bt_data}/${BILDERTAFEL_APP_ID}.desktop"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES "${_bt_data}/${BILDERTAFEL_APP_ID}.metainfo.xml"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

install(FILES "${_bt_data}/icons/bildertafel.svg"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
        RENAME ${BILDERTAFEL_APP_ID}.svg)
foreach(_bt_size IN LISTS BILDERTAFEL_ICON_SIZES)
    install(FILES "${_bt_data}/icons/bildertafel-${_bt_size}.png"
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${_bt_size}x${_bt_size}/apps
            RENAME ${BILDERTAFEL_APP_ID}.png)
endforeach()

# Manual pages go in compressed, as Debian wants them, when gzip is at hand.
find_program(BILDERTAFEL_GZIP gzip)
foreach(_bt_page IN ITEMS bildertafel.1 bildertafel-batch.1)
    set(_bt_source "${_bt_data}/man/${_bt_page}")
    if(BILDERTAFEL_GZIP)
        set(_bt_packed "${CMAKE_CURRENT_BINARY_DIR}/man/${_bt_page}.gz")
        add_custom_command(OUTPUT "${_bt_packed}"
            COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/man"
            COMMAND ${BILDERTAFEL_GZIP} -9 -n -c "${_bt_source}" > "${_bt_packed}"
            DEPENDS "${_bt_source}"
            COMMENT "Compressing the manual page ${_bt_page}"
            VERBATIM)
        list(APPEND _bt_man_outputs "${_bt_packed}")
        install(FILES "${_bt_packed}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    else()
        install(FILES "${_bt_source}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endforeach()
if(_bt_man_outputs)
    add_custom_target(bildertafel_man ALL DEPENDS ${_bt_man_outputs})
endif()

# The sample show, with its configuration, to try the programs on right away.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/examples/sample-show"
        DESTINATION ${BILDERTAFEL_INSTALL_DOCDIR}/examples)

# The ready-made template sets: the configuration file, its description and its picture.
if(EXISTS "${PROJECT_SOURCE_DIR}/vorlagen")
    install(DIRECTORY "${PROJECT_SOURCE_DIR}/vorlagen/"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bildertafel/vorlagen
            FILES_MATCHING PATTERN "*.cfg" PATTERN "*.txt" PATTERN "*.png")
endif()
