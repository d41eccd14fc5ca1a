# Run at build time (cmake -P), after the images exist: records the SHA-256
# digest of each image the program embeds, so that the program can tell a
# damaged image from the one it was built with before it sends anything.
#   cmake -DOUT=FILE -DBOOT=IMAGE -DTEMP=IMAGE -DMAIN=IMAGE -P ImageDigests.cmake
# An image given as - is not embedded and has no digest. The file is rewritten
# only when a digest changes.
set(rows "")
foreach(stage BOOT TEMP MAIN)
  if("${${stage}}" STREQUAL "-")
    string(APPEND rows "    {false, {}},\n")
  else()
    file(SHA256 "${${stage}}" digest)
    string(REGEX REPLACE "(..)" "0x\\1, " bytes "${digest}")
    string(REGEX REPLACE ", $" "" bytes "${bytes}")
    string(APPEND rows "    {true, {${bytes}}},\n")
  endif()
endforeach()

set(text "// Written by cmake/ImageDigests.cmake: the SHA-256 digests of the embedded images.
#include \"resources/resources.h\"

namespace res {
namespace {

struct Recorded {
  bool embedded;
  platform::Sha256Digest digest;
};

// Stages 0 boot, 1 intermediate, 2 main.
constexpr Recorded kRecorded[] = {
${rows}};

}  // namespace

const platform::Sha256Digest* RecordedImageDigest(int stage) {
  if (stage < 0 || stage > 2 || !kRecorded[stage].embedded) return nullptr;
  return &kRecorded[stage].digest;
}

}  // namespace res
")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${text}")
