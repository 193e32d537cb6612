# What `cmake --install` puts where: the two programs, the desktop entry, the icon theme's
# images, the manual pages, the AppStream metainfo and readme.txt. Included at the end of the top-level
# CMakeLists.txt, after every target is defined.
include(GNUInstallDirs)

set(TALLYVOLT_APP_ID org.tallyvolt.Tallyvolt)

# The sizes of data/icons/tallyvolt-<N>.png. They are rendered from resources/tallyvolt.svg
# by scripts/render-icons and committed, so that a build needs no SVG renderer and every
# build installs the same bytes; the install test checks that they still match the SVG.
set(TALLYVOLT_ICON_SIZES 16 22 24 32 48 64 128 256)

if(TARGET tallyvolt)
    install(TARGETS tallyvolt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/data/${TALLYVOLT_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/${TALLYVOLT_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size IN LISTS TALLYVOLT_ICON_SIZES)
        install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tallyvolt-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME tallyvolt.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/resources/tallyvolt.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/tallyvolt.1
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    # Debian's place for a package's documents is named after the package, in lower case.
    install(FILES ${PROJECT_BINARY_DIR}/readme.txt
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tallyvolt)
endif()

if(TARGET tallyvolt-report)
    install(TARGETS tallyvolt-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/tallyvolt-report.1
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# Debian installs manual pages compressed with `gzip -9n`. A plain `cmake --install` leaves
# them as they are; the package sets TALLYVOLT_COMPRESS_MAN_PAGES through
# CPACK_CUSTOM_INSTALL_VARIABLES (see Package.cmake). The prefix is read when the install
# runs, so that `cmake --install --prefix` and CPack's staging folder are both honoured.
install(CODE "
    if(TALLYVOLT_COMPRESS_MAN_PAGES)
        set(_man1 \"${CMAKE_INSTALL_MANDIR}/man1\")
        if(NOT IS_ABSOLUTE \"\${_man1}\")
            set(_man1 \"\${CMAKE_INSTALL_PREFIX}/\${_man1}\")
        endif()
        file(GLOB _pages \"\$ENV{DESTDIR}\${_man1}/tallyvolt*.1\")
        foreach(_page IN LISTS _pages)
            execute_process(COMMAND gzip -9nf \"\${_page}\" RESULT_VARIABLE _status)
            if(NOT _status EQUAL 0)
                message(FATAL_ERROR \"gzip failed on \${_page}\")
            endif()
        endforeach()
    endif()
")

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
