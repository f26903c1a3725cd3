# The web build (emscripten): the shared rooms as the native build has them, the browser's host
# (src/web) instead of SDL's, and libpng and zlib compiled from Debian's own sources, which
# scripts/build-web.sh fetches. The result is quorlith.js, quorlith.wasm and quorlith.data (the
# data set the native build generated), which the page in src/web/page loads.

set(QUORLITH_WEB_DEPS_SOURCE "" CACHE PATH "Folder holding Debian's libpng1.6-* and zlib-* sources")
set(QUORLITH_WEB_DATA "" CACHE PATH "The data folder to pack (the native build's data)")
if(NOT IS_DIRECTORY "${QUORLITH_WEB_DATA}")
    message(FATAL_ERROR "QUORLITH_WEB_DATA must name the native build's data folder")
endif()

function(web_source_dir out pattern)
    file(GLOB found LIST_DIRECTORIES true "${QUORLITH_WEB_DEPS_SOURCE}/${pattern}")
    list(FILTER found EXCLUDE REGEX "\\.(tar\\..*|dsc|gz|xz|bz2)$")
    if(NOT found)
        message(FATAL_ERROR "No ${pattern} sources in '${QUORLITH_WEB_DEPS_SOURCE}' "
            "(scripts/build-web.sh fetches them with apt-get source)")
    endif()
    list(GET found 0 dir)
    set(${out} ${dir} PARENT_SCOPE)
endfunction()

add_compile_options(-Wall -Wextra)

# zlib and libpng, as their own makefiles list them.
web_source_dir(zlib_dir "zlib-*")
set(zlib_sources "")
foreach(stem adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast
             inflate inftrees trees uncompr zutil)
    list(APPEND zlib_sources ${zlib_dir}/${stem}.c)
endforeach()
add_library(web_zlib STATIC ${zlib_sources})
target_include_directories(web_zlib SYSTEM PUBLIC ${zlib_dir})
target_compile_options(web_zlib PRIVATE -w -DHAVE_UNISTD_H)

web_source_dir(png_dir "libpng1.6-*")
configure_file(${png_dir}/scripts/pnglibconf.h.prebuilt
               ${CMAKE_BINARY_DIR}/generated/pnglibconf.h COPYONLY)
set(png_sources "")
foreach(stem png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset
             pngtrans pngwio pngwrite pngwtran pngwutil)
    list(APPEND png_sources ${png_dir}/${stem}.c)
endforeach()
add_library(web_png STATIC ${png_sources})
target_include_directories(web_png SYSTEM PUBLIC ${png_dir} ${CMAKE_BINARY_DIR}/generated)
target_compile_options(web_png PRIVATE -w)
target_link_libraries(web_png PUBLIC web_zlib)

# One static library per shared room; files named *_native.cpp are the native side of a seam.
function(web_room name dir)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "_native\\.cpp$")
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

web_room(web_gfx gfx)
web_room(web_shader shader)
web_room(web_audio audio)
web_room(web_play play web_audio)
web_room(web_model model web_gfx)
web_room(web_scenes scenes web_model web_gfx)
web_room(web_timeline timeline web_scenes web_shader web_audio web_png)

file(GLOB web_host_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/web/*.cpp)
add_executable(quorlith ${web_host_sources})
target_include_directories(quorlith PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quorlith PRIVATE web_play web_timeline)
set_target_properties(quorlith PROPERTIES SUFFIX ".js")
set(web_api ${CMAKE_SOURCE_DIR}/src/web/demo_api.js)
target_link_options(quorlith PRIVATE
    --no-entry
    -sLEGACY_GL_EMULATION=1
    -sMIN_WEBGL_VERSION=2
    -sMAX_WEBGL_VERSION=2
    -sALLOW_MEMORY_GROWTH=1
    -sINITIAL_MEMORY=134217728
    -sENVIRONMENT=web
    "-sEXPORTED_FUNCTIONS=['_malloc','_free']"
    "SHELL:--pre-js ${web_api}"
    "SHELL:--preload-file ${QUORLITH_WEB_DATA}@/data"
    "SHELL:--exclude-file *.bmp")
set_property(TARGET quorlith APPEND PROPERTY LINK_DEPENDS ${web_api})
