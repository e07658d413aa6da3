#pragma once
// Cuts the byte stream from the program into command bodies: "$", body, "*",
// two hexadecimal digits, line end. Sentences with a wrong or missing
// checksum, or a "*" in the body, are counted and dropped, as the logger's
// firmware drops them.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv::sim {

class CommandReader {
  public:
    // Returns the bodies of the sentences completed by `bytes`, in order.
    std::vector<std::string> Feed(std::string_view bytes);

    size_t Rejected() const { return rejected_; }

  private:
    void Finish(std::vector<std::string>& bodies);

    std::string line_;  // from the "$" on, without it
    bool inSentence_ = false;
    size_t rejected_ = 0;
};

}  // namespace qv::sim
