# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into PREFIX and checks that every file a desktop needs is there.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path
        bin/tessivo
        share/applications/tessivo.desktop
        share/metainfo/org.example.tessivo.metainfo.xml
        share/icons/hicolor/32x32/apps/tessivo.png
        share/icons/hicolor/scalable/apps/tessivo.svg
        share/doc/tessivo/copyright
        share/man/man1/tessivo.1)
    if(NOT EXISTS ${PREFIX}/${path})
        message(FATAL_ERROR "missing after install: ${path}")
    endif()
endforeach()
