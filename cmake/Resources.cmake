# The resource generator runs on the build machine, also in cross builds, so it
# is compiled with the build machine's compiler. It is built, and the resources
# generated, only when their inputs change: an unchanged tree builds nothing.
set(UPDATER_FIRMWARE_IMAGE "" CACHE FILEPATH
    "Firmware image to embed as FW_FILE (empty: a generated development image)")
set(UPDATER_FIRMWARE_BOOT_IMAGE "" CACHE FILEPATH "Boot image to embed as FWBOOT_FILE (empty: none)")
set(UPDATER_FIRMWARE_TEMP_IMAGE "" CACHE FILEPATH "Intermediate image to embed as FWTEMP_FILE (empty: none)")
set(UPDATER_FIRMWARE_VERSION "V2.60a-3" CACHE STRING
    "Version of the firmware in UPDATER_FIRMWARE_IMAGE as the device reports it (V2.60a-3: the development image's)")

# The version is shown on the pages and compared with the device's, whose
# version is one word of at most 12 characters: anything else could never match.
string(LENGTH "${UPDATER_FIRMWARE_VERSION}" UPDATER_FIRMWARE_VERSION_LENGTH)
if(NOT UPDATER_FIRMWARE_VERSION MATCHES "^[A-Za-z0-9._+-]+$" OR UPDATER_FIRMWARE_VERSION_LENGTH GREATER 12)
  message(FATAL_ERROR "UPDATER_FIRMWARE_VERSION '${UPDATER_FIRMWARE_VERSION}': give the image's version as the "
                      "device reports it, one word of 1 to 12 letters, digits and . _ + -")
endif()
if(UPDATER_FIRMWARE_IMAGE AND UPDATER_FIRMWARE_VERSION STREQUAL "V2.60a-3")
  message(WARNING "UPDATER_FIRMWARE_IMAGE is given but UPDATER_FIRMWARE_VERSION is still the development "
                  "image's V2.60a-3: give the version the image comes with (-DUPDATER_FIRMWARE_VERSION=...).")
endif()
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/update/queries.cpp PROPERTIES
  COMPILE_DEFINITIONS "UPDATER_FIRMWARE_VERSION=\"${UPDATER_FIRMWARE_VERSION}\"")
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/app/info_options_posix.cpp PROPERTIES
  COMPILE_DEFINITIONS "UPDATER_VERSION=\"${PROJECT_VERSION}.0\"")

file(GLOB RESGEN_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/resgen/*.cpp)
file(GLOB RESGEN_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/resgen/*.h)
if(CMAKE_CROSSCOMPILING)
  find_program(UPDATER_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
else()
  set(UPDATER_HOST_CXX ${CMAKE_CXX_COMPILER})
endif()
set(RESGEN ${CMAKE_BINARY_DIR}/tools/resgen)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/tools ${CMAKE_BINARY_DIR}/resources)
add_custom_command(
  OUTPUT ${RESGEN}
  COMMAND ${UPDATER_HOST_CXX} -std=c++20 -O1 -Wall -Wextra -Werror ${RESGEN_SOURCES} -o ${RESGEN}
  DEPENDS ${RESGEN_SOURCES} ${RESGEN_HEADERS}
  COMMENT "Building the resource generator")

set(RES_OUT ${CMAKE_BINARY_DIR}/resources)
set(RES_SOURCE ${PROJECT_SOURCE_DIR}/src/resources)
file(GLOB RES_INPUTS CONFIGURE_DEPENDS ${RES_SOURCE}/text/*.txt)
list(APPEND RES_INPUTS ${RES_SOURCE}/languages.txt ${RES_SOURCE}/layouts.txt ${RESGEN})
set(RES_MANIFEST ${RES_SOURCE}/updater.manifest)
set(RES_OUTPUTS ${RES_OUT}/updater.rc ${RES_OUT}/updater.ico ${RES_OUT}/resource_tables.cpp ${RES_OUT}/firmware_images.cpp)
# The icon as a Linux desktop takes it, one PNG file a size (installed by
# cmake/Package.cmake).
set(UPDATER_ICON_SIZES 16 32 48 64 128 256 CACHE INTERNAL "sizes of the desktop icon resgen draws")
foreach(size ${UPDATER_ICON_SIZES})
  list(APPEND RES_OUTPUTS ${RES_OUT}/icon-${size}.png)
endforeach()
set(RES_IMAGES)
foreach(image UPDATER_FIRMWARE_IMAGE UPDATER_FIRMWARE_BOOT_IMAGE UPDATER_FIRMWARE_TEMP_IMAGE)
  if(${image})
    get_filename_component(${image}_PATH ${${image}} ABSOLUTE)
    if(NOT EXISTS ${${image}_PATH})
      message(FATAL_ERROR "${image}: no such file: ${${image}_PATH}")
    endif()
    list(APPEND RES_IMAGES ${${image}_PATH})
  else()
    set(${image}_PATH -)
  endif()
endforeach()
if(NOT UPDATER_FIRMWARE_IMAGE)
  list(APPEND RES_OUTPUTS ${RES_OUT}/development-firmware.bin)
  set(RES_MAIN_IMAGE ${RES_OUT}/development-firmware.bin)
else()
  set(RES_MAIN_IMAGE ${UPDATER_FIRMWARE_IMAGE_PATH})
endif()

add_custom_command(
  OUTPUT ${RES_OUTPUTS}
  COMMAND ${RESGEN} ${RES_SOURCE} ${RES_OUT} ${PROJECT_VERSION}.0 ${UPDATER_FIRMWARE_IMAGE_PATH}
          ${UPDATER_FIRMWARE_BOOT_IMAGE_PATH} ${UPDATER_FIRMWARE_TEMP_IMAGE_PATH}
  DEPENDS ${RES_INPUTS} ${RES_IMAGES}
  COMMENT "Generating texts, layouts, icon and images")
# The digest of each embedded image, recorded when the image is embedded.
set(RES_DIGESTS ${RES_OUT}/image_digests.cpp)
add_custom_command(
  OUTPUT ${RES_DIGESTS}
  COMMAND ${CMAKE_COMMAND} -DOUT=${RES_DIGESTS} -DBOOT=${UPDATER_FIRMWARE_BOOT_IMAGE_PATH}
          -DTEMP=${UPDATER_FIRMWARE_TEMP_IMAGE_PATH} -DMAIN=${RES_MAIN_IMAGE}
          -P ${PROJECT_SOURCE_DIR}/cmake/ImageDigests.cmake
  DEPENDS ${RES_MAIN_IMAGE} ${RES_IMAGES} ${PROJECT_SOURCE_DIR}/cmake/ImageDigests.cmake
  COMMENT "Recording the digests of the embedded images" VERBATIM)
add_custom_target(updater_resources DEPENDS ${RES_OUTPUTS} ${RES_DIGESTS})

# The images are assembled into the program: rebuild when one changes.
set_source_files_properties(${RES_OUT}/firmware_images.cpp PROPERTIES
  OBJECT_DEPENDS "${RES_MAIN_IMAGE};${RES_IMAGES}" GENERATED TRUE)
set_source_files_properties(${RES_OUT}/updater.rc PROPERTIES
  OBJECT_DEPENDS "${RES_OUT}/updater.ico;${RES_MANIFEST};${RES_MAIN_IMAGE};${RES_IMAGES}" GENERATED TRUE)
