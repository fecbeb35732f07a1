# MAG pictures and DAR pattern archives on the desktop: the gdk-pixbuf loader
# module (into gdk-pixbuf's module folder, taken relative to its prefix), the
# MIME types and the thumbnailer entries. `make install` (no DESTDIR) brings
# the prefix's MIME database up to date, and gdk-pixbuf's loader cache when the
# module went into the system's own folder; a package leaves both to the
# system's triggers on those folders (Debian's shared-mime-info and
# libgdk-pixbuf-2.0-0 watch them).
pkg_get_variable(gdk_pixbuf_moduledir gdk-pixbuf-2.0 gdk_pixbuf_moduledir)
pkg_get_variable(gdk_pixbuf_prefix gdk-pixbuf-2.0 prefix)
pkg_get_variable(gdk_pixbuf_query_loaders gdk-pixbuf-2.0 gdk_pixbuf_query_loaders)
file(RELATIVE_PATH ZELK_PIXBUF_LOADER_DIR ${gdk_pixbuf_prefix} ${gdk_pixbuf_moduledir})

install(TARGETS pixbufloader-mag LIBRARY DESTINATION ${ZELK_PIXBUF_LOADER_DIR})
install(FILES mime/zelk.xml DESTINATION share/mime/packages)
install(FILES thumbnailers/zelk-mag.thumbnailer thumbnailers/zelk-dar.thumbnailer
  DESTINATION share/thumbnailers)
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    find_program(update_mime_database update-mime-database)
    if(update_mime_database)
      execute_process(COMMAND \${update_mime_database} \"\${CMAKE_INSTALL_PREFIX}/share/mime\")
    endif()
    if(\"\${CMAKE_INSTALL_PREFIX}/${ZELK_PIXBUF_LOADER_DIR}\" STREQUAL \"${gdk_pixbuf_moduledir}\")
      execute_process(COMMAND \"${gdk_pixbuf_query_loaders}\" --update-cache)
    else()
      message(STATUS \"gdk-pixbuf finds the MAG loader in \${CMAKE_INSTALL_PREFIX}/${ZELK_PIXBUF_LOADER_DIR} \"
        \"only through a loader cache that names it (GDK_PIXBUF_MODULE_FILE; see gdk-pixbuf-query-loaders)\")
    endif()
  endif()")

# The package wants the MIME database and the thumbnailer that use these.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, libgdk-pixbuf2.0-bin")
