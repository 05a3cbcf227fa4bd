// The private socket folder: made when missing, refused when another user
// could have put something in it.
#include "hostlink/socket_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace talvex {

std::string PrivateSocketFolder(const std::string& tempFolder, uid_t uid) {
    std::string folder = tempFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder != "/") folder += '/';
    return folder + "talvex-" + std::to_string(uid);
}

std::string PrepareSocketFolder(const std::string& folder, uid_t uid) {
    if (::mkdir(folder.c_str(), 0700) == 0) {
        // The umask may have taken bits we need; never more than these.
        ::chmod(folder.c_str(), 0700);
    } else if (errno != EEXIST) {
        return "cannot make " + folder + ": " + std::strerror(errno);
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return folder + ": " + std::strerror(errno);
    if (S_ISLNK(info.st_mode)) return folder + " is a symbolic link, not a folder";
    if (!S_ISDIR(info.st_mode)) return folder + " is not a folder";
    if (info.st_uid != uid)
        return folder + " belongs to user " + std::to_string(info.st_uid) + ", not to user " +
               std::to_string(uid);
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(info.st_mode & 07777));
        return "others may write to " + folder + " (mode " + mode + ")";
    }
    return std::string();
}

} // namespace talvex
