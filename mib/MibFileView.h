#pragma once
// What libsmi may open: it looks for imported modules by name in its search path and opens
// whatever it finds there, a FIFO or a link to a device included. So it is given a
// temporary folder of links instead, one subfolder a search folder, each link naming a
// regular file of at most the size limit. A module that imports from anything else finds
// nothing to open.

#include <cstddef>
#include <string>
#include <vector>

class MibFileView {
public:
    explicit MibFileView(std::size_t folders);
    ~MibFileView();
    MibFileView(const MibFileView&) = delete;
    MibFileView& operator=(const MibFileView&) = delete;

    // False when the temporary folder could not be made.
    bool Made() const { return !root_.empty(); }
    // The search path of the view: its subfolders, separated by ':'.
    std::string SearchPath() const;
    // Links file into the subfolder of search folder folder under its own name; returns the
    // link's path, or empty when it could not be made.
    std::string Add(std::size_t folder, const std::string& file);

private:
    std::string root_;
    std::vector<std::string> folders_;
};
