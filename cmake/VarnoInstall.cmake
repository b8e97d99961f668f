# The engine as a library for other projects: `cmake --install` puts
#
#   include/varno/<folder>/*.h       every layer header and core/Version.h
#   lib/libvarno.a, libvarno-decode.a (or .so with BUILD_SHARED_LIBS)
#   lib/cmake/Varno/                 the CMake package (Varno::engine, Varno::decode)
#   lib/pkgconfig/varno.pc, varno-decode.pc
#   bin/varno-inspect
#   share/varno/shaders, share/varno/Data   the files the engine reads at run time
#   share/varno/starter              the starter project
#
# `cpack -G DEB` in the build folder makes the Debian development package from
# the same rules. The `varno-docs` target builds the API reference from the
# installed headers.
#
# Included from the root CMakeLists.txt after every layer is defined.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The release is named 0.02; its numbers are 0, 2 and 0.
math(EXPR VARNO_VERSION_MAJOR "${PROJECT_VERSION_MAJOR} + 0")
math(EXPR VARNO_VERSION_MINOR "${PROJECT_VERSION_MINOR} + 0")
math(EXPR VARNO_VERSION_PATCH "0${PROJECT_VERSION_PATCH} + 0")
set(VARNO_VERSION "${VARNO_VERSION_MAJOR}.${VARNO_VERSION_MINOR}.${VARNO_VERSION_PATCH}")

set(VARNO_INSTALL_INCLUDE_DIR "${CMAKE_INSTALL_INCLUDEDIR}/varno")
set(VARNO_INSTALL_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/Varno")
set(VARNO_INSTALL_RUNTIME_DIR "${CMAKE_INSTALL_DATADIR}/varno")

# The version header, generated from the project version.
set(VARNO_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/Version.h.in" "${VARNO_GENERATED_DIR}/core/Version.h"
               @ONLY)
target_include_directories(varno_layer_base PUBLIC $<BUILD_INTERFACE:${VARNO_GENERATED_DIR}>)

# Library files libvarno-decode and libvarno. While the major version is 0 a
# minor release may break the ABI, so the soname carries both numbers.
set(varno_libraries varno_decode)
set_target_properties(varno_decode PROPERTIES
    OUTPUT_NAME varno-decode EXPORT_NAME decode
    VERSION ${VARNO_VERSION} SOVERSION ${VARNO_VERSION_MAJOR}.${VARNO_VERSION_MINOR})
target_compile_features(varno_decode PUBLIC cxx_std_17)
add_library(Varno::decode ALIAS varno_decode)

if(VARNO_ENGINE)
    list(APPEND varno_libraries varno_engine)
    set_target_properties(varno_engine PROPERTIES
        OUTPUT_NAME varno EXPORT_NAME engine
        VERSION ${VARNO_VERSION} SOVERSION ${VARNO_VERSION_MAJOR}.${VARNO_VERSION_MINOR})
    # Inside this build the layers bring SDL and GL; installed, the package's
    # config file finds them and names them with these targets.
    foreach(dependency IN ITEMS SDL::SDL Varno::SDL_image Varno::SDL_mixer GLEW::GLEW
                                OpenGL::GLU OpenGL::GL)
        target_link_libraries(varno_engine PUBLIC $<INSTALL_INTERFACE:${dependency}>)
    endforeach()
    add_library(Varno::engine ALIAS varno_engine)
    if(BUILD_SHARED_LIBS)
        # Installed in any prefix, libvarno.so and the inspector find
        # libvarno-decode.so where it lies.
        file(RELATIVE_PATH varno_bin_to_lib "/${CMAKE_INSTALL_BINDIR}" "/${CMAKE_INSTALL_LIBDIR}")
        set_target_properties(varno-inspect PROPERTIES INSTALL_RPATH "$ORIGIN/${varno_bin_to_lib}")
        set_target_properties(varno_engine PROPERTIES INSTALL_RPATH "$ORIGIN")
    endif()
endif()

install(TARGETS ${varno_libraries} EXPORT VarnoTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    # Both: <varno/core/Engine.h> for users, "math/Vector3.h" inside the headers.
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} ${VARNO_INSTALL_INCLUDE_DIR})

get_property(varno_headers GLOBAL PROPERTY VARNO_PUBLIC_HEADERS)
foreach(header IN LISTS varno_headers)
    get_filename_component(folder "${header}" DIRECTORY)
    install(FILES "${CMAKE_SOURCE_DIR}/${header}" DESTINATION "${VARNO_INSTALL_INCLUDE_DIR}/${folder}")
endforeach()
install(FILES "${VARNO_GENERATED_DIR}/core/Version.h" DESTINATION "${VARNO_INSTALL_INCLUDE_DIR}/core")

# The CMake package.
install(EXPORT VarnoTargets NAMESPACE Varno:: DESTINATION ${VARNO_INSTALL_CMAKE_DIR})
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/VarnoConfig.cmake.in"
    "${CMAKE_BINARY_DIR}/package/VarnoConfig.cmake"
    INSTALL_DESTINATION ${VARNO_INSTALL_CMAKE_DIR}
    PATH_VARS VARNO_INSTALL_RUNTIME_DIR)
write_basic_package_version_file("${CMAKE_BINARY_DIR}/package/VarnoConfigVersion.cmake"
    VERSION ${VARNO_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES "${CMAKE_BINARY_DIR}/package/VarnoConfig.cmake"
              "${CMAKE_BINARY_DIR}/package/VarnoConfigVersion.cmake"
        DESTINATION ${VARNO_INSTALL_CMAKE_DIR})

# pkg-config files that find their prefix from where they lie, so an install
# tree can move.
file(RELATIVE_PATH VARNO_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" VARNO_PC_TO_PREFIX "${VARNO_PC_TO_PREFIX}")
set(varno_pc_files varno-decode)
if(VARNO_ENGINE)
    list(APPEND varno_pc_files varno)
endif()
foreach(pc IN LISTS varno_pc_files)
    configure_file("${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in" "${CMAKE_BINARY_DIR}/package/${pc}.pc"
                   @ONLY)
    install(FILES "${CMAKE_BINARY_DIR}/package/${pc}.pc"
            DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

if(NOT VARNO_ENGINE)
    return()
endif()

install(TARGETS varno-inspect RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# What the engine reads from the working directory at run time, in the same
# layout, and the starter project that copies it next to its executable.
install(DIRECTORY "${CMAKE_SOURCE_DIR}/shaders/" DESTINATION "${VARNO_INSTALL_RUNTIME_DIR}/shaders"
        FILES_MATCHING PATTERN "*.frag" PATTERN "*.vert")
install(FILES "${CMAKE_SOURCE_DIR}/Data/Font/font.tga" "${CMAKE_SOURCE_DIR}/Data/Font/LICENSE.txt"
        DESTINATION "${VARNO_INSTALL_RUNTIME_DIR}/Data/Font")
install(FILES "${CMAKE_SOURCE_DIR}/Data/MousePointer.png"
        DESTINATION "${VARNO_INSTALL_RUNTIME_DIR}/Data")
install(DIRECTORY "${CMAKE_SOURCE_DIR}/templates/starter/"
        DESTINATION "${VARNO_INSTALL_RUNTIME_DIR}/starter")
install(FILES "${CMAKE_SOURCE_DIR}/CHANGELOG.md" "${CMAKE_SOURCE_DIR}/docs/getting-started.md"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/libvarno-dev")

# The Debian development package: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME libvarno-dev)
set(CPACK_PACKAGE_VENDOR "Varno Engine")
set(CPACK_PACKAGE_CONTACT "Varno Engine developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Varno Engine: a small real-time 3D engine on SDL 1.2 and OpenGL (development files)")
set(CPACK_PACKAGE_DESCRIPTION
    "Headers, libraries, the CMake package and pkg-config files of the Varno Engine, with the
shaders, font sheet and mouse pointer it reads at run time, the varno-inspect tool and a
starter project in /usr/share/varno/starter.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libsdl1.2-dev | libsdl1.2-compat-dev, libsdl-image1.2-dev, libsdl-mixer1.2-dev, libglew-dev, libglu1-mesa-dev, libgl-dev")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "g++, cmake, pkg-config")
include(CPack)

# The API reference, from the headers that are installed.
find_package(Doxygen QUIET)
if(DOXYGEN_FOUND)
    set(varno_doc_input "")
    foreach(header IN LISTS varno_headers)
        string(APPEND varno_doc_input " \\\n    \"${CMAKE_SOURCE_DIR}/${header}\"")
    endforeach()
    file(WRITE "${CMAKE_BINARY_DIR}/docs/Doxyfile"
        "@INCLUDE = \"${CMAKE_SOURCE_DIR}/docs/Doxyfile\"\n"
        "PROJECT_NUMBER = ${PROJECT_VERSION}\n"
        "OUTPUT_DIRECTORY = \"${CMAKE_BINARY_DIR}/docs\"\n"
        "STRIP_FROM_PATH = \"${CMAKE_SOURCE_DIR}\" \"${VARNO_GENERATED_DIR}\"\n"
        "INPUT = \"${VARNO_GENERATED_DIR}/core/Version.h\"${varno_doc_input}\n")
    add_custom_target(varno-docs
        COMMAND Doxygen::doxygen "${CMAKE_BINARY_DIR}/docs/Doxyfile"
        WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
        COMMENT "API reference in ${CMAKE_BINARY_DIR}/docs/html" VERBATIM)
endif()
