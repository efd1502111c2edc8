#include "StatusText.h"

#include <cstdio>


namespace kelmcli {

std::string HexStatus(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

std::string StatusNameOf(HRESULT status) {
    const char* name = KelmStatusName(status);
    return name != nullptr ? name : HexStatus(status);
}

std::string DescribeStatus(HRESULT status) {
    const std::string name = StatusNameOf(status);
    const std::string hex = HexStatus(status);
    return name == hex ? hex : hex + " (" + name + ")";
}

std::string HintFor(HRESULT status) {
    switch (status) {
    case E_INVALIDARG: return "check the arguments; a library file name must end in .qvm";
    case E_NOTIMPL: return "this method does not serve that kind; see 'kelm <command> --help'";
    case E_POINTER: return "this is a fault of the tool; please report it";
    case E_OUTOFMEMORY: return "free some memory and retry";
    case KELM_E_ITEM_EXISTS_OR_MISSING: return "check the item name, or pass --overwrite to replace an existing item";
    case KELM_E_STORE_UNAVAILABLE: return "the library store is not available in this build";
    case KELM_E_NO_SUCH_PARTITION: return "list the partitions with 'kelm partitions --kind <kind>'";
    case KELM_E_RESERVED_BY_OTHER: return "ask the holder to release it (see 'kelm holder <partition> --kind <kind>')";
    case KELM_E_READ_ONLY: return "drop --read-only to edit";
    case KELM_E_LOCKED: return "another session is writing the library; retry in a moment";
    case KELM_E_CONFLICT: return "the library changed on disk; run the command again";
    case KELM_E_CORRUPT: return "a library file does not parse; restore it from a backup";
    case KELM_E_IO: return "check the disk space and the rights on the library folder";
    case KELM_E_NOT_LOADED: return "give the library with -l <library.qvm>";
    case KELM_E_UNSAFE_PATH:
        return "use a name every system can store: no '..', path separator, control character or < > \" | ? *, "
               "no trailing space or dot, not a device name such as CON, NUL, COM1 or LPT1";
    case KELM_E_NO_SUCH_ITEM: return "list the items with 'kelm items <partition> --kind <kind>'";
    case KELM_E_NOT_RESERVED: return "reserve the partition first with 'kelm reserve <partition> --kind <kind>'";
    case KELM_E_NO_SUCH_SCHEME: return "list the search schemes with 'kelm schemes'";
    case KELM_E_BAD_ARGUMENT: return "check the names given";
    case KELM_E_NO_DEFAULT_SCHEME: return "add a partition with --default-scheme to create the default search scheme";
    default: break;
    }
    return "check the names given; details may be in the library's LogFiles/QuorKelm.log";
}

}  // namespace kelmcli
