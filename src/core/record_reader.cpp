#include "core/record_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace qv {

RecordReader::RecordReader(const std::filesystem::path& path, size_t recordSize, size_t headerSize,
                           size_t recordsPerChunk)
    : recordSize_(std::max<size_t>(recordSize, 1)),
      headerSize_(headerSize),
      recordsPerChunk_(std::max<size_t>(recordsPerChunk, 1)) {
    // Asked before opening: opening a pipe for reading would wait for a writer.
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!std::filesystem::is_regular_file(status)) {
        missing_ = true;
        if (std::filesystem::is_directory(status))
            error_ = std::strerror(EISDIR);
        else if (ec)
            error_ = ec.message();
        else
            error_ = "not a regular file";
        return;
    }
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) {
        error_ = std::strerror(errno);
        return;
    }
    // The size of the open file, not of whatever the name points to by now.
    struct stat info {};
    if (::fstat(::fileno(file_.get()), &info) != 0) {
        error_ = std::strerror(errno);
        file_.reset();
        return;
    }
    fileSize_ = static_cast<uintmax_t>(info.st_size);
    if (fileSize_ < headerSize_) {
        trailingBytes_ = fileSize_;
        return;
    }
    const uintmax_t body = fileSize_ - headerSize_;
    recordCount_ = static_cast<size_t>(body / recordSize_);
    trailingBytes_ = body % recordSize_;
    if (headerSize_ == 0)
        return;
    header_.resize(headerSize_);
    if (std::fread(header_.data(), 1, headerSize_, file_.get()) != headerSize_) {
        error_ = std::ferror(file_.get()) ? std::strerror(errno) : kFileEndedEarly;
        header_.clear();
    }
}

size_t RecordReader::ReadInto(std::span<uint8_t> out) {
    if (!file_ || Failed())
        return 0;
    const size_t want = std::min(out.size() / recordSize_, recordCount_ - recordsRead_);
    if (want == 0)
        return 0;
    const size_t got = std::fread(out.data(), recordSize_, want, file_.get());
    recordsRead_ += got;
    if (got < want)
        error_ = std::ferror(file_.get()) ? std::strerror(errno) : kFileEndedEarly;
    return got;
}

std::span<const uint8_t> RecordReader::NextChunk() {
    if (chunk_.empty()) {
        // A small file gets a buffer of its own size.
        const size_t records = std::min(recordsPerChunk_, recordCount_ - recordsRead_);
        if (records == 0)
            return {};
        chunk_.resize(records * recordSize_);
    }
    const size_t got = ReadInto(chunk_);
    return std::span<const uint8_t>(chunk_).first(got * recordSize_);
}

}  // namespace qv
