#include "device/download_save.h"

#include <string_view>

#include "core/atomic_file.h"
#include "core/text_utils.h"
#include "decode/bnx4_decoder.h"
#include "decode/load_log.h"
#include "decode/log_check_value.h"
#include "decode/mtk_decoder.h"
#include "decode/smooth_speeds.h"
#include "device/status_display.h"

namespace qv {

const char* const kMsgLowLogMemory =
    "ログ空き容量が20%を切っています。\r空きが無くなると走行ログが保存できなくなります\r"
    "\"ロガー\"タブにある\"保存ログの消去\"を実行してください。";

size_t SavedImageSize(LoggerModel model, uint32_t used) {
    if (model == LoggerModel::QV4) {
        size_t blocks = (size_t{used} + 4095) / 4096;
        if (blocks == 0)
            blocks = 1;
        if (blocks > kBlock4kDownloadBlocks)
            blocks = kBlock4kDownloadBlocks;
        return blocks * 4096;
    }
    const size_t size = (size_t{used} / 65536 + 1) * 65536;
    return size > kBinxMaxSize ? kBinxMaxSize : size;
}

DownloadSaveResult FinishDownload(LapSession& session, Prompter& prompter, LoggerModel model,
                                  const std::string& usedMemory, TDateTime now) {
    DownloadSaveResult result;
    LogStore& log = session.log;
    log.Reset();
    log.LogRect = TLogRect{};
    const MtkTarget target{log, session.diagnostics, session.LocalTimeBase};
    const std::span<const uint8_t> image = session.RawLogBuf.span();
    const uint32_t used = static_cast<uint32_t>(HexToInt(usedMemory));
    const bool qv4 = model == LoggerModel::QV4;
    if (qv4) {
        DecodeBlock4kImage(target, image, kBlock4kDownloadBlocks);
        if (100.0 - used / kQv4Capacity * 100.0 < 20.0)
            prompter.Inform(kMsgLowLogMemory, MessageIcon::Information);
    } else {
        log.SatDetailFormatSeen = false;
        DecodeMtkImage(target, image, 128);
        session.diagnostics.Insert(std::to_string(log.LogItemNum) + " records");
    }
    result.fixCount = log.LogItemNum;
    if (log.LogItemNum < 2) {
        prompter.Inform(kMsgNoTrace2, MessageIcon::Information);
        return result;
    }
    result.enoughFixes = true;
    if (!qv4 && log.SatDetailFormatSeen)
        prompter.Inform(kMsgBadFormat, MessageIcon::Information);
    WriteCheckValue(session.RawLogBuf.span(), LogCheckValueOf(log));

    const char* extension = qv4 ? ".bnx4" : ".binx";
    result.logName = FormatDateTime(qv4 ? "\"QV4_\"yyyymmddhhnn" : "\"GPS3_\"yyyymmddhhnn", now);
    if (!qv4 && log.SatDetailFormatSeen)
        result.logName += "xx";

    FileDialogRequest request;
    request.title = kSaveLogTitle;
    request.filter = kSaveLogFilter;
    request.initialFolder = session.folders.rawLogFolder.empty()
                                ? session.folders.lastLogFolder.string()
                                : session.folders.rawLogFolder.string();
    request.proposedName = result.logName + extension;
    const std::optional<std::string> chosen = prompter.ChooseSaveFile(request);
    if (chosen) {
        std::filesystem::path path(*chosen);
        if (path.extension() != extension)
            path.replace_extension(extension);
        session.folders.lastLogFolder = path.parent_path();
        session.folders.rawLogFolder = path.parent_path();
        bool write = true;
        std::error_code ec;
        if (std::filesystem::exists(path, ec))
            write = prompter.AskYesNo(
                path.filename().string() + " already exists.\rDo you want to replace it ?",
                MessageIcon::Warning);
        if (write) {
            const size_t size = SavedImageSize(model, used);
            const WriteResult written = WriteFileAtomically(
                path, std::string_view(reinterpret_cast<const char*>(image.data()), size));
            result.saved = written.ok;
            result.error = written.error;
            if (written.ok)
                result.savedPath = path;
        }
        result.logName = path.stem().string();
    }
    if (qv4)
        SmoothSpeeds(log);
    session.openLogName = result.logName;
    return result;
}

}  // namespace qv
