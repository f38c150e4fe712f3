# Installation (cmake --install) and the Debian package (cpack -G DEB).
#
# Layout under the prefix:
#   bin/KvizorStudent, bin/kvf
#   lib/<arch>/kvizorstudent/                        modules loaded on first use (sound,
#                                                    metafile converters)
#   share/applications/KvizorStudent.desktop         menu entry, opens *.kvf
#   share/mime/packages/kvizorstudent.xml            the application/x-kvizor-test type
#   share/icons/hicolor/scalable/{apps,mimetypes}/   program and test-file icons
#   share/kvizorstudent/help/                        the HTML help
#   share/metainfo/ru.kvizor.KvizorStudent.metainfo.xml   the AppStream description
#   share/man/man1/KvizorStudent.1, kvf.1            manual pages
# An installed program finds share/kvizorstudent beside its bin folder and then keeps its
# settings file and result files in the user's data folder, never beside the executable.

include(GNUInstallDirs)

set(KVIZOR_DATA_NAME kvizorstudent)

foreach(program KvizorStudent kvf)
  if(TARGET ${program})
    # The modules loaded on first use lie in the program's private library folder.
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${KVIZOR_MODULE_INSTALL_DIR}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/KvizorStudent.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kvizorstudent-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${KVIZOR_DATA_NAME}.xml)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/kvizorstudent.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/application-x-kvizor-test.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/help)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/${KVIZOR_DATA_NAME}/help)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/ru.kvizor.KvizorStudent.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/KvizorStudent.1 ${PROJECT_SOURCE_DIR}/packaging/kvf.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KVIZOR_DATA_NAME})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KVIZOR_DATA_NAME})

# The Debian package.
set(CPACK_PACKAGE_NAME ${KVIZOR_DATA_NAME})
set(CPACK_PACKAGE_VENDOR "KvizorStudent developers")
set(CPACK_PACKAGE_CONTACT "KvizorStudent developers <kvizorstudent@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "examinee's workstation of a computer-based testing suite")
set(CPACK_PACKAGE_DESCRIPTION
  "KvizorStudent opens a Kvizor test file (.kvf), asks the examinee's name and group,\n\
presents the tasks one at a time, checks the answers, keeps the time limits and\n\
computes the points, the percentage and the grade. Results go to a text log, a\n\
protected result file and, when configured, to the teacher's test server.\n\
The package also holds the kvf tool, which builds and inspects test files.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/COPYING)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Loaded at run time, so the library scan cannot see them: SVG icons and pictures, the
# platform plugins that put a window on the screen, and the fonts metafile text is measured
# with (and tests are laid out for). The run-time package check reads this list from
# deb-depends.txt in the build folder.
set(KVIZOR_RUNTIME_DEPENDS "libqt6svg6, qt6-qpa-plugins, fonts-liberation2, fonts-dejavu-core")
file(WRITE ${CMAKE_BINARY_DIR}/deb-depends.txt "${KVIZOR_RUNTIME_DEPENDS}\n")
find_program(KVIZOR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KVIZOR_DPKG_SHLIBDEPS)
  # The library scan adds the libraries the programs and modules link.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${KVIZOR_RUNTIME_DEPENDS}")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${KVIZOR_RUNTIME_DEPENDS}, libqt6core6, libqt6gui6, libqt6widgets6, libqt6network6, libqt6multimedia6, libqt6svgwidgets6, libwmf-0.2-7, libemf2svg1, zlib1g")
endif()
# The desktop tools that register the association and open test files by type.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, desktop-file-utils, shared-mime-info, libfile-mimeinfo-perl")
include(CPack)
