// The file-error texts of EInOutError.
#include "Exceptions.h"

std::string EInOutError::TextForCode(int errorCode)
{
    switch (errorCode) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101:
    case 39:   // the system's "handle disk full"
    case 112:  // the system's "not enough space on the disk"
        return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(errorCode);
    }
}
