#pragma once
#include "compstore.h"
#include "dictionary.h"
#include "mainfile.h"

#include <functional>
#include <string>
#include <vector>

namespace vosk {

class Messages;

// The installation folder and its three data files. `datapath` is the folder followed by
// one '/', or empty for the current folder; every data file name is appended to it.
class DataFolder {
public:
    DataFolder(std::string datapath, Messages &messages) : datapath_(std::move(datapath)), messages_(messages) {}

    const std::string &datapath() const { return datapath_; }
    std::string pathOf(const std::string &name) const { return datapath_ + name; }

    // The bytes of a data file; a missing one is announced and created empty first. An
    // existing file that cannot be read is reported and left alone: false.
    bool opendata(const std::string &name, std::string &bytes);

    struct Loaded {
        Dictionary dictionary;
        std::vector<std::string> categories;
        MainFileReport report;
    };
    // main.dat, strings.dat and components.lst, in that order. `setstatus` receives the
    // stock total once main.dat is read.
    Loaded loadbase(CompStore &store, const std::function<void(const std::string &)> &setstatus);

    // Writes main.dat whole; on failure the error is shown and the file is left as it was.
    bool savebase(const CompStore &store);

private:
    std::string datapath_;
    Messages &messages_;
};

} // namespace vosk
