// The script check's list below the editor (lstFindings): one entry a
// finding, "LINE:COLUMN: error: TEXT" as the runner writes it without a file
// name; a click on one, or Enter, goes to its line.
#pragma once

#include "ddelink/win32.h"
#include "engine/script_check.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace talvex {

class FindingsList {
public:
    FindingsList(HWND parent, int id, std::function<void(std::size_t)> chosen);
    ~FindingsList();
    FindingsList(const FindingsList&) = delete;
    FindingsList& operator=(const FindingsList&) = delete;

    HWND Handle() const { return hwnd_; }
    void Show(const std::vector<Finding>& findings);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self);
    void Choose();

    HWND hwnd_ = nullptr;
    std::function<void(std::size_t)> chosen_;
};

} // namespace talvex
