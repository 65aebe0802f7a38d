# Installs the build into a fresh prefix, checks that every shipped file lands where Linux
# desktops and man look for it, and starts the installed program.
# Called with -DBUILD_DIR=... -DPREFIX=...
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()

foreach(file IN ITEMS
    bin/quorvin bin/quorvin-decode bin/quorvin-locator
    bin/alarm.wav bin/background.jpg bin/HELP.md
    share/applications/quorvin.desktop share/icons/hicolor/scalable/apps/quorvin.svg
    share/man/man1/quorvin.1 share/man/man1/quorvin-decode.1 share/man/man1/quorvin-locator.1)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The desktop file passes desktop-file-validate without a word, hints included (a second main
# category, for one, lists the program twice in some application menus).
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/share/applications/quorvin.desktop"
                RESULT_VARIABLE valid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT valid EQUAL 0 OR NOT said STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate (${valid}):\n${said}")
endif()

# The installed program starts and names its folder, the one its shipped files are in.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
                        "${PREFIX}/bin/quorvin" --help
                RESULT_VARIABLE started OUTPUT_VARIABLE help ERROR_VARIABLE errors)
if(NOT started EQUAL 0 OR NOT help MATCHES "Usage: quorvin" OR NOT help MATCHES "${PREFIX}/bin")
  message(FATAL_ERROR "the installed program did not start as it should (${started}):\n${help}${errors}")
endif()
execute_process(COMMAND "${PREFIX}/bin/quorvin-locator" JO22 JO22 RESULT_VARIABLE located
                OUTPUT_QUIET)
if(NOT located EQUAL 0)
  message(FATAL_ERROR "the installed quorvin-locator failed: ${located}")
endif()
