#include "video/chapter_input.h"

#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace qv {

namespace {

// A chapter's length as the next one's times continue from it: the
// picture's, so that the frames run on without a gap or an overlap at
// the joint; the file's when the picture track does not say.
int64_t ChapterDuration(const std::filesystem::path& file) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0)
        return 0;
    int64_t duration = 0;
    if (avformat_find_stream_info(raw, nullptr) >= 0) {
        const int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video >= 0 && raw->streams[video]->duration > 0)
            duration = av_rescale_q(raw->streams[video]->duration, raw->streams[video]->time_base,
                                    AV_TIME_BASE_Q);
        else if (raw->duration > 0)
            duration = raw->duration;
    }
    avformat_close_input(&raw);
    return duration;
}

// A path in the list's quoting: inside single quotes everything is
// literal, so a quote closes them, is escaped, and opens them again.
std::string Quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// The list the concat demuxer reads, in a private file removed as soon
// as the input is open (the demuxer reads it whole at once).
class ListFile {
  public:
    explicit ListFile(const std::string& text) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qv_chaptersXXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            return;
        close(fd);
        path_ = pattern;
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush())
            path_.clear();
    }
    ~ListFile() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
    ListFile(const ListFile&) = delete;
    ListFile& operator=(const ListFile&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace

bool OpenChapterInput(const std::vector<std::filesystem::path>& chapters,
                      AVFormatContext** format) {
    if (chapters.empty())
        return false;
    if (chapters.size() == 1)
        return avformat_open_input(format, chapters.front().c_str(), nullptr, nullptr) >= 0;
    // With every length given the demuxer knows the whole length and can
    // seek across the joints. A chapter that cannot be read (cut short when
    // the card filled up, say) ends the recording there.
    std::string text = "ffconcat version 1.0\n";
    size_t joined = 0;
    for (const std::filesystem::path& chapter : chapters) {
        const int64_t duration = ChapterDuration(chapter);
        if (duration <= 0)
            break;
        ++joined;
        char length[64];
        std::snprintf(length, sizeof length, "%" PRId64 ".%06" PRId64, duration / 1000000,
                      duration % 1000000);
        text += "file " + Quoted(std::filesystem::absolute(chapter).string()) + "\nduration " +
                length + "\n";
    }
    const AVInputFormat* concat = av_find_input_format("concat");
    if (joined <= 1 || concat == nullptr)
        return avformat_open_input(format, chapters.front().c_str(), nullptr, nullptr) >= 0;
    const ListFile list(text);
    if (list.path().empty())
        return false;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "safe", "0", 0);  // the chapters are named by absolute paths
    const int rc = avformat_open_input(format, list.path().c_str(), concat, &options);
    av_dict_free(&options);
    return rc >= 0;
}

}  // namespace qv
