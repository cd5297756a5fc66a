# Installation as a desktop program: the programs into bin, and for the windowed client a
# desktop entry and its icon (the logo as a 32 x 32 PNG, converted from the GIF at build time).
include(GNUInstallDirs)

foreach(program zuneigo zuneigo-fetch zuneigo-gifdump zuneigo-search zuneigo-service)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

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
  install(FILES ${PROJECT_SOURCE_DIR}/app/gui/zuneigo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${zuneigo_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
endif()
