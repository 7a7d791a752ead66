# Lays out the program folder beside the executable.
# Player files (saved games, favourites, settings) are copied only when missing, so a
# rebuild never overwrites a game in progress; everything else is refreshed.
foreach(name options.cfg player.qvn player.fav)
    if(EXISTS "${SRC}/${name}" AND NOT EXISTS "${DEST}/${name}")
        file(COPY "${SRC}/${name}" DESTINATION "${DEST}")
    endif()
endforeach()
foreach(name infos.html)
    file(COPY "${SRC}/${name}" DESTINATION "${DEST}")
endforeach()
foreach(dir tips data music)
    if(IS_DIRECTORY "${SRC}/${dir}")
        file(COPY "${SRC}/${dir}" DESTINATION "${DEST}")
    endif()
endforeach()
