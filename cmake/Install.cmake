# Installation as a desktop program and a system service, in two components: "zuneigo"
# (the window, the tools, desktop entry, icon, software-centre metadata, manuals) and
# "service" (zuneigo-service, its systemd unit and settings file, the nginx example).
# cmake/Package.cmake turns each component into a Debian package.
include(GNUInstallDirs)

foreach(program zuneigo zuneigo-fetch zuneigo-gifdump zuneigo-search)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT zuneigo)
  endif()
endforeach()
if(TARGET zuneigo-service)
  install(TARGETS zuneigo-service RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT service)
endif()

if(TARGET zuneigo)
  set(zuneigo_icon ${CMAKE_BINARY_DIR}/share/zuneigo.png)
  add_custom_command(OUTPUT ${zuneigo_icon}
    COMMAND /usr/bin/python3 -c
      "import sys; from PIL import Image; Image.open(sys.argv[1]).convert('RGBA').save(sys.argv[2], 'PNG')"
      ${PROJECT_SOURCE_DIR}/resources/logo.gif ${zuneigo_icon}
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/logo.gif
    COMMENT "Converting the logo into the desktop icon"
    VERBATIM)
  add_custom_target(zuneigo_icon ALL DEPENDS ${zuneigo_icon})
  install(FILES ${PROJECT_SOURCE_DIR}/app/gui/zuneigo.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT zuneigo)
  install(FILES ${zuneigo_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps COMPONENT zuneigo)
  install(FILES ${PROJECT_SOURCE_DIR}/app/gui/zuneigo.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT zuneigo)
endif()

# Manuals, compressed as Debian keeps them (gzip -n: no name or time stamp inside).
set(zuneigo_manuals "")
foreach(page zuneigo.1 zuneigo-fetch.1 zuneigo-gifdump.1 zuneigo-search.1 zuneigo-service.8)
  string(REGEX REPLACE "^(.*)\\.([0-9])$" "\\1" program ${page})
  string(REGEX REPLACE "^.*\\.([0-9])$" "\\1" section ${page})
  if(NOT TARGET ${program})
    continue()
  endif()
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page})
  set(packed ${CMAKE_BINARY_DIR}/share/man/${page}.gz)
  add_custom_command(OUTPUT ${packed}
    COMMAND gzip -9 -n -c ${source} > ${packed}
    DEPENDS ${source}
    COMMENT "Compressing the manual ${page}")
  list(APPEND zuneigo_manuals ${packed})
  set(component zuneigo)
  if(program STREQUAL "zuneigo-service")
    set(component service)
  endif()
  install(FILES ${packed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
endforeach()
add_custom_target(zuneigo_manuals ALL DEPENDS ${zuneigo_manuals})

if(TARGET zuneigo-service)
  install(FILES ${PROJECT_SOURCE_DIR}/deploy/zuneigo-service.service
    DESTINATION lib/systemd/system COMPONENT service)
  install(FILES ${PROJECT_SOURCE_DIR}/deploy/nginx.conf
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zuneigo-service/examples COMPONENT service)
  # The settings file belongs in /etc when the prefix is /usr (a package); under any
  # other prefix it stays inside it, so an installation as a user writes nothing outside.
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(zuneigo_etc /etc)
    else()
      set(zuneigo_etc \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}\")
    endif()
    file(INSTALL DESTINATION \"\${zuneigo_etc}/default\" TYPE FILE RENAME zuneigo-service
      FILES \"${PROJECT_SOURCE_DIR}/deploy/zuneigo-service.default\")
    " COMPONENT service)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
