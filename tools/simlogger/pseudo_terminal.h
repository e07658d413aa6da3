#pragma once
// The master side of a pseudo-terminal whose slave plays the logger's
// serial port. The master stays open while the program opens and closes the
// slave as often as it likes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv::sim {

enum class ReadStatus { Data, Nothing, NoSlave, Failed };

class PseudoTerminal {
  public:
    // A raw, non-blocking master; nullopt with `error` filled on failure.
    static std::optional<PseudoTerminal> Open(std::string& error);

    PseudoTerminal(PseudoTerminal&& other) noexcept;
    PseudoTerminal& operator=(PseudoTerminal&&) = delete;
    PseudoTerminal(const PseudoTerminal&) = delete;
    ~PseudoTerminal();

    const std::string& SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }

    // Appends what is waiting (at most `max` bytes) to `bytes`.
    ReadStatus Read(std::string& bytes, size_t max = 4096);
    // Writes a part of `bytes`; the count written, 0 when the line is full,
    // -1 when nobody holds the slave or the master failed.
    long WriteSome(std::string_view bytes);
    // The line speed the program set on the slave; 0 when unknown.
    int Baud() const;
    // Bytes written that the program has not read yet; nullopt when that
    // cannot be asked (the slave is held exclusively by an unprivileged
    // program, or nobody holds it).
    std::optional<int> Unread() const;
    void Close();

  private:
    explicit PseudoTerminal(int master, std::string slavePath);

    int master_ = -1;
    std::string slavePath_;
};

}  // namespace qv::sim
