#pragma once
// A C stream that closes itself.

#include <cstdio>
#include <memory>

namespace qv {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace qv
