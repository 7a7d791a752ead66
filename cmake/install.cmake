# `cmake --install build --prefix P` lays the game out as Debian lays out games, and the package
# is this same install into /usr:
#   P/lib/games/quorvane     the programs and the music module, which find each other there
#   P/games                  launchers, relative links to the programs
#   P/share/games/quorvane   everything else the game reads; player files already there are kept
#   P/share/...              the desktop entry, metainfo, icons, manual pages, copyright, changelog
set(QUORVANE_LIB_DIR lib/games/quorvane)
set(QUORVANE_DATA_DIR share/games/quorvane)
set(desktop ${CMAKE_SOURCE_DIR}/assets/desktop)
set(id org.example.Quorvane)

install(TARGETS quorvane quorvane-market RUNTIME DESTINATION ${QUORVANE_LIB_DIR})
install(TARGETS quorvane_music LIBRARY DESTINATION ${QUORVANE_LIB_DIR})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/launchers)
foreach(program quorvane quorvane-market)
    file(CREATE_LINK ../${QUORVANE_LIB_DIR}/${program} ${CMAKE_BINARY_DIR}/launchers/${program} SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/launchers/${program} DESTINATION games)
endforeach()

install(DIRECTORY ${QUORVANE_PROGRAM_DIR}/data ${QUORVANE_PROGRAM_DIR}/pictures
                  ${QUORVANE_PROGRAM_DIR}/music ${QUORVANE_PROGRAM_DIR}/icons
        DESTINATION ${QUORVANE_DATA_DIR})
# The same rule that lays out the build folder, so a second install keeps what the player changed.
install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\" \"-DSRC=${CMAKE_SOURCE_DIR}/assets\"
                  \"-DDEST=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QUORVANE_DATA_DIR}\"
                  -P \"${CMAKE_SOURCE_DIR}/assets/layout.cmake\"
              COMMAND_ERROR_IS_FATAL ANY)")

# The desktop entry starts the launcher: by name where the prefix's games folder is on Debian's
# PATH, else by its absolute path, quoted as desktop entries ask.
install(CODE "set(QUORVANE_DESKTOP_IN \"${desktop}/${id}.desktop.in\")
              set(QUORVANE_DESKTOP_WORK \"${CMAKE_BINARY_DIR}/desktop-entries\")")
install(CODE [[
    if(CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/?$")
        set(QUORVANE_EXEC quorvane)
    else()
        string(REPLACE "%" "%%" QUORVANE_EXEC "${CMAKE_INSTALL_PREFIX}/games/quorvane")
        if(QUORVANE_EXEC MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
            # A backslash before ", `, $ and \ inside the quotes, and every backslash doubled
            # once more because the value itself is an escaped string.
            string(REPLACE "\\" "\\\\\\\\" QUORVANE_EXEC "${QUORVANE_EXEC}")
            string(REGEX REPLACE "([\"`$])" "\\\\\\\\\\1" QUORVANE_EXEC "${QUORVANE_EXEC}")
            set(QUORVANE_EXEC "\"${QUORVANE_EXEC}\"")
        endif()
    endif()
    string(MD5 prefix_key "${CMAKE_INSTALL_PREFIX}")
    configure_file("${QUORVANE_DESKTOP_IN}" "${QUORVANE_DESKTOP_WORK}/${prefix_key}/org.example.Quorvane.desktop"
                   @ONLY)
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
         FILES "${QUORVANE_DESKTOP_WORK}/${prefix_key}/org.example.Quorvane.desktop")
]])
install(FILES ${desktop}/${id}.metainfo.xml DESTINATION share/metainfo)
foreach(size ${QUORVANE_ICON_SIZES})
    install(FILES ${QUORVANE_PROGRAM_DIR}/icons/quorvane-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME quorvane.png)
endforeach()
install(FILES ${QUORVANE_PROGRAM_DIR}/icons/quorvane.svg DESTINATION share/icons/hicolor/scalable/apps)

# Manual pages and changelog compressed as Debian wants them (no name, no time: the same bytes
# every build); made with the program folder, so `make install` finds them.
set(compressed ${CMAKE_BINARY_DIR}/compressed)
foreach(source ${desktop}/quorvane.6 ${desktop}/quorvane-market.6 ${CMAKE_SOURCE_DIR}/packaging/changelog)
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${compressed}/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${compressed}/${name}
        COMMAND gzip -9nf ${compressed}/${name}
        DEPENDS ${source}
        VERBATIM)
    list(APPEND compressed_files ${compressed}/${name}.gz)
endforeach()
add_custom_target(compressed_pages DEPENDS ${compressed_files})
add_dependencies(program_folder compressed_pages)
install(FILES ${compressed}/quorvane.6.gz ${compressed}/quorvane-market.6.gz DESTINATION share/man/man6)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${compressed}/changelog.gz DESTINATION share/doc/quorvane)
