# The engine is built in layers, each an object library that may use only the
# layers below it:
#
#   engine    the kernel (Engine, Logger) and the application base CApp
#   scene     model objects, game objects, lights, shadows, GUI
#   platform  window and projections, input, cameras, timing, fonts, sound
#   render    GL state helpers, the manager registry, shaders, GL textures
#   decode    pure readers: image decoders, model readers, XML parser, math
#   base      bounded byte reader, whole-file reading, console, errors
#
# Each layer's headers are linked into a folder of their own under
# build/layers/<name>/, and a layer's include path holds only its own folder
# and those of the layers below it: an include that reaches upwards does not
# compile. The same lists are written to build/layers.txt, which the layer
# test reads to check every include and the folder graph.

set(VARNO_LAYER_ROOT "${CMAKE_BINARY_DIR}/layers")
set(VARNO_LAYER_MANIFEST "${CMAKE_BINARY_DIR}/layers.txt")
file(REMOVE_RECURSE "${VARNO_LAYER_ROOT}")
file(WRITE "${VARNO_LAYER_MANIFEST}" "")
set_property(GLOBAL PROPERTY VARNO_PUBLIC_HEADERS "")

# varno_layer(<name> [BELOW <layers>] [LINK <libraries>]
#             [CLASSES <folder/Name>...] [HEADERS <headers>] [SOURCES <sources>]
#             [INTERNAL <headers>])
# makes the object library varno_layer_<name>. Paths are relative to the source
# root; a class folder/Name stands for folder/Name.h and folder/Name.cpp.
# INTERNAL headers belong to the layer's implementation: they are checked like
# the others but not installed, so no installed header may include them.
function(varno_layer name)
    cmake_parse_arguments(PARSE_ARGV 1 LAYER "" ""
                          "BELOW;LINK;CLASSES;HEADERS;SOURCES;INTERNAL")
    set(files ${LAYER_HEADERS} ${LAYER_SOURCES} ${LAYER_INTERNAL})
    foreach(class IN LISTS LAYER_CLASSES)
        list(APPEND files "${class}.h" "${class}.cpp")
    endforeach()
    set(stage "${VARNO_LAYER_ROOT}/${name}")
    set(sources "")
    foreach(file IN LISTS files)
        if(NOT EXISTS "${CMAKE_SOURCE_DIR}/${file}")
            message(FATAL_ERROR "Layer ${name} lists ${file}, which does not exist")
        endif()
        file(APPEND "${VARNO_LAYER_MANIFEST}" "${name} ${file}\n")
        if(file MATCHES "\\.h$")
            get_filename_component(folder "${file}" DIRECTORY)
            file(MAKE_DIRECTORY "${stage}/${folder}")
            file(CREATE_LINK "${CMAKE_SOURCE_DIR}/${file}" "${stage}/${file}" SYMBOLIC)
            if(NOT file IN_LIST LAYER_INTERNAL)
                set_property(GLOBAL APPEND PROPERTY VARNO_PUBLIC_HEADERS "${file}")
            endif()
        endif()
        list(APPEND sources "${CMAKE_SOURCE_DIR}/${file}")
    endforeach()
    add_library(varno_layer_${name} OBJECT ${sources})
    target_include_directories(varno_layer_${name} PUBLIC $<BUILD_INTERFACE:${stage}>)
    foreach(below IN LISTS LAYER_BELOW)
        target_link_libraries(varno_layer_${name} PUBLIC varno_layer_${below})
    endforeach()
    if(LAYER_LINK)
        target_link_libraries(varno_layer_${name} PUBLIC ${LAYER_LINK})
    endif()
endfunction()
