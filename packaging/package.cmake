# The Debian package, built by CPack: cmake --workflow --preset package
# writes rodscene_VERSION_amd64.deb into build/package.

set(RODSCENE_MAINTAINER "rodscene authors <rodscene@example.org>"
    CACHE STRING "Maintainer named in the package and its changelog")

# Directories the install creates are 0755 whatever the umask of the
# checkout, as packages expect.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

# The licence, and the changelog compressed without a name or a time stamp
# so that the same sources give the same package.
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog
               ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
rodscene_gzip(${CMAKE_CURRENT_BINARY_DIR}/changelog changelog_gz)
add_custom_target(package_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${changelog_gz}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME rodscene)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert configurations of rods into POV-Ray scenes and pictures")
set(CPACK_PACKAGE_DESCRIPTION [=[
rodscene_split and rodscene_mono read a configuration of rod-like sites
(positions and directions, as a liquid-crystal simulation writes them) and
write the rods in a slab as POV-Ray cylinders and spheres. rodscene_render
renders configurations or scene text as pictures from named or free
cameras, with an axis triad and a colour key, a run of configurations as a
film, and writes a page that shows them in a browser, offline, with the
command that renders the view on screen. It measures the rods' order
(order parameter, director, biaxiality, each rod's local order) and
colours rods by it or shows where it breaks. The Python module rodscene
reads configurations as the converters do, into numpy arrays, and makes
the same pictures, films, pages and measurements from Python and Jupyter
notebooks.]=])
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RODSCENE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Version without a Debian revision: the package is its own upstream, so
# the file is rodscene_VERSION_amd64.deb.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The converters link statically and need no library; a picture needs
# POV-Ray and the render path's Python packages (Pillow draws the triad
# and the key on every picture). The Python module is built for the
# interpreter of the build, and dpkg-shlibdeps adds the libraries it links.
set(python3_depends python3)
if(TARGET rodscene_python_core)
  set(abi ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR})
  math(EXPR next_minor "${Python3_VERSION_MINOR} + 1")
  set(python3_depends
      "python3 (>= ${abi}), python3 (<< ${Python3_VERSION_MAJOR}.${next_minor})")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "povray, ${python3_depends}, python3-numpy, python3-pil")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Films, their progress bar, the font of the picture's labels, and the
# three.js that pages inline.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "ffmpeg, python3-tqdm, fonts-dejavu-core, libjs-three")
# Colouring by orientation and the plot of --order, local order (its
# colours, the highlight of disorder), GSD files, films on a cluster, and
# notebooks.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "python3-matplotlib, python3-scipy, python3-gsd, python3-distributed, jupyter-notebook")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${CMAKE_CURRENT_LIST_DIR}/postinst;${CMAKE_CURRENT_LIST_DIR}/prerm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
