# The Debian package "qmt": every program with its companions (the install rules of this
# folder and of the programs' own folders), built by `cpack` in a configured build tree or by
# scripts/package.sh. Its dependencies are computed from the binaries by dpkg-shlibdeps.
#
# The machine hive is not a file of the package: it is shared state that the programs and
# the administrator also write, so the maintainer script sets the package's values in it
# (debian/postinst.in), the way `cmake --install` does with the component qmt_machine_hive.

set(QMT_PACKAGE_MAINTAINER "$ENV{QMT_PACKAGE_MAINTAINER}" CACHE STRING
    "Maintainer field of the Debian package, \"Name <address>\" (default: the QMT team)")
if(QMT_PACKAGE_MAINTAINER STREQUAL "")
    set(QMT_PACKAGE_MAINTAINER "QMT host software team <qmt-packages@example.org>")
endif()

# Packages install under /usr; the files that name paths are written for that prefix.
set(QMT_PACKAGE_PREFIX /usr)
set(QMT_PACKAGE_HIVE ${QMT_MACHINE_REGISTRY_FILE})
set(QMT_PACKAGE_PRIVATE_DIR ${QMT_PACKAGE_PREFIX}/${QMT_PRIVATE_LIB_DIR})
set(QMT_PACKAGE_PRESET_DIR ${QMT_PACKAGE_PREFIX}/${QMT_PRESET_DIR})
set(QMT_PACKAGE_MAPPING_DIR ${QMT_PACKAGE_PREFIX}/${QMT_MAPPING_DIR})
set(QMT_PACKAGE_RELEASE 1)
set(QMT_PACKAGE_VERSION ${PROJECT_VERSION})
set(QMT_PACKAGE_FULL_VERSION ${PROJECT_VERSION}-${QMT_PACKAGE_RELEASE})
# SOURCE_DATE_EPOCH, when set, makes the date (and so the package) repeatable.
string(TIMESTAMP QMT_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(QMT_PACKAGE_POSTINST_ASIO "")
if(TARGET qmtasio AND TARGET qmtasio-register)
    set(QMT_PACKAGE_POSTINST_ASIO
"    for brand in qmt brx; do
        ${QMT_PACKAGE_PRIVATE_DIR}/qmtasio-register --brand \"$brand\" \\
            --library \"${QMT_PACKAGE_PRIVATE_DIR}/lib\${brand}asio.so\" \\
            --panel-folder ${QMT_PACKAGE_PREFIX}/${CMAKE_INSTALL_BINDIR} --hive \"$hive\"
    done")
endif()

set(QMT_PACKAGE_CONTROL ${CMAKE_CURRENT_BINARY_DIR}/debian)
foreach(script postinst postrm)
    configure_file(debian/${script}.in ${QMT_PACKAGE_CONTROL}/${script} @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()

# The copyright file and the changelog every Debian package carries.
configure_file(debian/copyright.in ${QMT_PACKAGE_CONTROL}/copyright @ONLY)
configure_file(debian/changelog.in ${QMT_PACKAGE_CONTROL}/changelog @ONLY)
add_custom_command(OUTPUT ${QMT_PACKAGE_CONTROL}/changelog.Debian.gz
    COMMAND gzip -9n -c ${QMT_PACKAGE_CONTROL}/changelog > ${QMT_PACKAGE_CONTROL}/changelog.Debian.gz
    DEPENDS ${QMT_PACKAGE_CONTROL}/changelog VERBATIM)
add_custom_target(qmt_package_changelog ALL DEPENDS ${QMT_PACKAGE_CONTROL}/changelog.Debian.gz)
install(FILES ${QMT_PACKAGE_CONTROL}/copyright ${QMT_PACKAGE_CONTROL}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qmt COMPONENT qmt_package_doc)
install(FILES debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME qmt COMPONENT qmt_package_doc)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qmt)
set(CPACK_PACKAGE_VERSION ${QMT_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "QMT")
set(CPACK_PACKAGE_CONTACT ${QMT_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${QMT_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)
# One package of the file components; the hive is the maintainer script's (see above).
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL qmt_midi qmt_asio qmt_package_doc)
set(CPACK_DEBIAN_PACKAGE_NAME qmt)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QMT_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QMT_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds every library the binaries link. Qt loads its SVG image and icon
# plugins at run time instead (the tray icon, the panels' artwork), so their package is the
# one dependency no binary shows and is named here.
if(TARGET qmtmidiagent OR TARGET qmtmidiconfig OR TARGET qmtasioconfig)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${QMT_PACKAGE_CONTROL}/postinst ${QMT_PACKAGE_CONTROL}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drivers and tools for the QMT DJ controllers")
# The synopsis above is the first line; this is the extended description (lines under 80).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Host software for the QMT family of USB DJ controllers (KV10, KV5,
ARDO, ARDO RAW, ARDO RAW PROTO 2009) and the BRX KRT4:
 - qmtmidi, the MIDI driver: every control becomes MIDI on the ALSA
   sequencer ports QMT MIDI In and QMT MIDI Out (a user service);
 - qmtmidiconfig and qmtmidiagent, the configuration program and the tray
   agent that keeps a mapping selected;
 - the ASIO-style audio driver joining all controllers' sound cards into one
   16-in/16-out device, its control panels, a small host (qmtasiohost) and
   its device on PipeWire (qmtasio-pipewire, a user service);
 - qmtctl, the command-line tool for preset authors.
A udev rule gives the controllers to the seat's user and to the group audio.")
include(CPack)
