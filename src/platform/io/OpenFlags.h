#pragma once

namespace pellora {

// How FileSystem::openAt opens a name: one access, any of the others.
using OpenFlags = unsigned;

struct Open {
    static constexpr OpenFlags Read = 0;
    static constexpr OpenFlags Write = 1u << 0;
    static constexpr OpenFlags ReadWrite = 1u << 1;
    static constexpr OpenFlags Create = 1u << 2;     // made when missing
    static constexpr OpenFlags Exclusive = 1u << 3;  // with Create: fails with EEXIST when the name exists
    static constexpr OpenFlags Append = 1u << 4;
    static constexpr OpenFlags NoFollow = 1u << 5;   // a link under the name fails with ELOOP
    static constexpr OpenFlags NonBlocking = 1u << 6; // a FIFO cannot hang the open
    static constexpr OpenFlags Folder = 1u << 7;     // only a folder (ENOTDIR otherwise)
    static constexpr OpenFlags SearchOnly = 1u << 8; // a folder we may search but not list: names only
    // To be checked, then deleted through this very handle (FileSystem::unlinkOpened).
    // Where the system can (Windows), nobody may write, move or delete it while it is open.
    static constexpr OpenFlags ToDelete = 1u << 9;

    static bool writes(OpenFlags flags) { return (flags & (Write | ReadWrite)) != 0; }
};

} // namespace pellora
