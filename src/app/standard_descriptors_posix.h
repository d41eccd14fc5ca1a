// Standard input, output and error of the Linux program.
#pragma once

// Opens /dev/null on each of descriptors 0 to 2 that the program was started
// without (`updater <&-`), so that no descriptor the program opens later takes
// their place and is read or written as if it were one of them: closed input
// reads as its end, closed output is dropped.
void OpenMissingStandardDescriptors();
