# The renderer linked with the static archives of the libraries it draws and
# writes with, and of the C++ run-time: it then loads only the C library,
# libm and libUEMF (which Debian ships as a shared library only). Linked with
# the shared ones it loads 26 libraries, ten of them only because the shared
# cairo is built with X11 and xcb, and for a small formula mapping them is
# most of the time a call takes. From the static archive of cairo only what
# the renderer calls is taken, none of its X11 or xcb surfaces.
#
# The archives are those pkg-config --static names for cairo, fontconfig,
# FreeType and libpng (each list holds what its library needs after it), and
# libjpeg's and giflib's; the C library's own (libm, libpthread) stay shared.
# Sanitizer builds link everything shared, and a missing archive makes the
# renderer shared too, with a warning naming it.
option(NEROVAN_STATIC_RENDERER
  "Link nerovan-render with the static archives of its libraries (it starts faster)" ON)

set(NEROVAN_STATIC_RENDERER_ACTIVE OFF)
if(NEROVAN_STATIC_RENDERER AND (NEROVAN_SANITIZE OR NEROVAN_TSAN OR NEROVAN_FUZZ))
  message(STATUS "nerovan-render: shared libraries (a sanitizer build)")
elseif(NEROVAN_STATIC_RENDERER)
  set(names ${CAIRO_STATIC_LIBRARIES} ${FONTCONFIG_STATIC_LIBRARIES}
    ${FREETYPE_STATIC_LIBRARIES} ${PNG_STATIC_LIBRARIES} jpeg gif)
  # Each archive once, where it was named last: after everything that needs it.
  list(REVERSE names)
  list(REMOVE_DUPLICATES names)
  list(REVERSE names)
  set(archives "")
  set(missing "")
  foreach(name IN LISTS names)
    if(name MATCHES "^(c|m|dl|rt|pthread)$")
      list(APPEND archives ${name})
      continue()
    endif()
    find_library(NEROVAN_STATIC_${name} NAMES lib${name}.a
      HINTS ${CAIRO_STATIC_LIBRARY_DIRS} ${FONTCONFIG_STATIC_LIBRARY_DIRS}
        ${FREETYPE_STATIC_LIBRARY_DIRS} ${PNG_STATIC_LIBRARY_DIRS})
    mark_as_advanced(NEROVAN_STATIC_${name})
    if(NEROVAN_STATIC_${name})
      list(APPEND archives ${NEROVAN_STATIC_${name}})
    else()
      list(APPEND missing lib${name}.a)
    endif()
  endforeach()
  if(missing)
    message(WARNING "nerovan-render: linked with shared libraries, which start slower: "
      "no static archive ${missing} (see scripts/install-deps)")
  else()
    set(NEROVAN_STATIC_RENDERER_ACTIVE ON)
    message(STATUS "nerovan-render: static archives of its libraries")
    # What compiling against the libraries takes, and linking their archives.
    add_library(nerovan_static_libraries INTERFACE)
    foreach(shared PkgConfig::CAIRO PkgConfig::FONTCONFIG PkgConfig::FREETYPE PkgConfig::PNG)
      target_include_directories(nerovan_static_libraries INTERFACE
        $<TARGET_PROPERTY:${shared},INTERFACE_INCLUDE_DIRECTORIES>)
      target_compile_options(nerovan_static_libraries INTERFACE
        $<TARGET_PROPERTY:${shared},INTERFACE_COMPILE_OPTIONS>)
    endforeach()
    target_include_directories(nerovan_static_libraries INTERFACE ${JPEG_INCLUDE_DIRS}
      ${GIF_INCLUDE_DIRS})
    target_link_libraries(nerovan_static_libraries INTERFACE ${archives})
    target_link_options(nerovan_static_libraries INTERFACE -static-libstdc++ -static-libgcc)
  endif()
endif()

# The system libraries a layer of the engine links: the shared ones given,
# or, for a program whose NEROVAN_STATIC_LINK property is set, the static
# archives. One expression a library, so that none holds a list.
function(nerovan_system_libraries out)
  if(NOT NEROVAN_STATIC_RENDERER_ACTIVE)
    set(${out} ${ARGN} PARENT_SCOPE)
    return()
  endif()
  set(static "$<BOOL:$<TARGET_PROPERTY:NEROVAN_STATIC_LINK>>")
  set(libraries "$<${static}:nerovan_static_libraries>")
  foreach(shared IN LISTS ARGN)
    list(APPEND libraries "$<$<NOT:${static}>:${shared}>")
  endforeach()
  set(${out} ${libraries} PARENT_SCOPE)
endfunction()
