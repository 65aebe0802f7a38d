# Installs the build into a fresh prefix, checks that every file lands where the Filesystem
# Hierarchy Standard, Linux desktops, software centres and man look for it, and starts the
# installed program from another working directory.
# Called with -DBUILD_DIR=... -DPREFIX=...
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()

# bin/ holds the programs and nothing else.
set(programs quorvin quorvin-decode quorvin-locator)
file(GLOB in_bin RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/*")
list(SORT in_bin)
if(NOT in_bin STREQUAL "${programs}")
  message(FATAL_ERROR "bin/ should hold only ${programs}, holds: ${in_bin}")
endif()

set(man_pages share/man/man1/quorvin.1.gz share/man/man1/quorvin-decode.1.gz
              share/man/man1/quorvin-locator.1.gz)
set(icons share/icons/hicolor/scalable/apps/quorvin.svg)
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
  list(APPEND icons share/icons/hicolor/${size}x${size}/apps/quorvin.png)
endforeach()
set(shipped alarm.wav background.jpg HELP.md)
list(TRANSFORM shipped PREPEND share/quorvin/ OUTPUT_VARIABLE shipped_paths)
set(metainfo share/metainfo/org.quorvin.Quorvin.metainfo.xml)
set(desktop_file share/applications/quorvin.desktop)
foreach(file IN LISTS shipped_paths man_pages icons metainfo desktop_file ITEMS
    share/doc/quorvin/HELP.md share/doc/quorvin/copyright share/doc/quorvin/changelog.gz)
  if(NOT EXISTS "${PREFIX}/${file}")  # a link counts when what it points to is there
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# Man pages and the changelog are gzip files; PNG icons have the size their folder says.
foreach(file IN LISTS man_pages ITEMS share/doc/quorvin/changelog.gz)
  file(READ "${PREFIX}/${file}" magic LIMIT 2 HEX)
  if(NOT magic STREQUAL "1f8b")
    message(FATAL_ERROR "not compressed with gzip: ${file}")
  endif()
endforeach()
foreach(icon IN LISTS icons)
  if(icon MATCHES "/([0-9]+)x[0-9]+/")
    set(size ${CMAKE_MATCH_1})
    file(READ "${PREFIX}/${icon}" width LIMIT 4 OFFSET 16 HEX)  # the PNG header's width
    math(EXPR width "0x${width}")
    if(NOT width EQUAL size)
      message(FATAL_ERROR "${icon} is ${width} pixels wide")
    endif()
  endif()
endforeach()

# The desktop file passes desktop-file-validate without a word, hints included (a second main
# category, for one, lists the program twice in some application menus); the metainfo passes
# appstreamcli's checks that need no network.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/${desktop_file}"
                RESULT_VARIABLE valid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT valid EQUAL 0 OR NOT said STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate (${valid}):\n${said}")
endif()
find_program(APPSTREAMCLI appstreamcli REQUIRED)
execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --no-color "${PREFIX}/${metainfo}"
                RESULT_VARIABLE valid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT valid EQUAL 0 OR said MATCHES "(^|\n)[EWI]: ")
  message(FATAL_ERROR "appstreamcli validate (${valid}):\n${said}")
endif()

# The installed program, started from another working directory, takes its shipped files from
# share/quorvin and keeps its own files in the user's data folder, though bin/ is writable here.
set(elsewhere "${PREFIX}/elsewhere")
set(data_home "${PREFIX}/data-home")
file(MAKE_DIRECTORY "${elsewhere}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
                        "XDG_DATA_HOME=${data_home}" "${PREFIX}/bin/quorvin" --help
                WORKING_DIRECTORY "${elsewhere}"
                RESULT_VARIABLE started OUTPUT_VARIABLE help ERROR_VARIABLE errors)
if(NOT started EQUAL 0 OR NOT help MATCHES "Usage: quorvin"
   OR NOT help MATCHES "\n  ${data_home}/Quorvin\n"
   OR NOT help MATCHES "\n  ${PREFIX}/share/quorvin\n")
  message(FATAL_ERROR "the installed program did not start as it should (${started}):\n${help}${errors}")
endif()
file(GLOB in_bin RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/*")
list(SORT in_bin)
if(NOT in_bin STREQUAL "${programs}")
  message(FATAL_ERROR "the installed program wrote into bin/: ${in_bin}")
endif()
execute_process(COMMAND "${PREFIX}/bin/quorvin-locator" JO22 JO22 RESULT_VARIABLE located
                WORKING_DIRECTORY "${elsewhere}" OUTPUT_QUIET)
if(NOT located EQUAL 0)
  message(FATAL_ERROR "the installed quorvin-locator failed: ${located}")
endif()
