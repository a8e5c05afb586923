// Fuzzes the stream editing primitives against a model of the window.
//
// Input: a line of operation bytes, a line with marker 1, a line with
// marker 2, then the input stream. The operations run on one window over
// that stream; after each one the window must hold exactly the next unread
// bytes of the stream, and what was written must be exactly the stream's
// bytes that left the window without `skip`, plus the lines written.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "common/psstream.h"
#include "common/uniquefile.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

using tvx::fuzz::check;

// Takes the next line (without its line feed) off the front of `input`.
std::string_view nextLine(std::string_view& input) {
  const std::size_t end = input.find('\n');
  const std::string_view line = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return line;
}

// A marker as the C string the primitives see, no longer than they promise to find.
std::string markerOf(std::string_view line) {
  return std::string(line.substr(0, std::min(line.find('\0'), std::size_t{tvx::kPSFlushStep})));
}

class Model {
 public:
  explicit Model(std::string_view stream) : stream_(stream) {}

  // Runs one operation byte on the primitives and checks the result.
  void run(unsigned char op, const std::string& marker1, const std::string& marker2) {
    const int skip = (op >> 3) & 1;
    const int n = (op >> 4) * 150 - 10;
    switch (op % 7) {
      case 0: topUp(); break;
      case 1: take(n, skip); break;
      case 2: takeLine(skip); break;
      case 3:
        check(writeLineToTempPSStream(marker1.c_str()) == 0, "a line write failed");
        expected_ += marker1;
        break;
      case 4: copyUntil(marker1, skip); break;
      case 5: copyUntilEither(marker1, marker2, skip); break;
      default: identifier(op >> 4); break;
    }
    checkWindow();
  }

  // Writes the rest of the input; returns what the output must hold.
  const std::string& finish() {
    while (count_ > 0 || getBufferFromInputPSStream(window_, &count_) == 0) take(count_, 0);
    check(pos_ == stream_.size(), "input left unread");
    return expected_;
  }

 private:
  std::size_t remaining() const { return stream_.size() - pos_; }

  void checkWindow() const {
    check(count_ >= 0 && count_ <= tvx::kPSWindowSize, "count out of bounds");
    check(window_[count_] == '\0', "window not terminated");
    check(stream_.substr(pos_, static_cast<std::size_t>(count_)) == std::string_view(window_, count_),
          "window does not hold the next input bytes");
  }

  // The model's side of bytes leaving the window.
  void left(int n, int skip) {
    if (skip == 0) expected_.append(stream_.substr(pos_, static_cast<std::size_t>(n)));
    pos_ += static_cast<std::size_t>(n);
  }

  void topUp() {
    const int before = count_;
    const int result = getBufferFromInputPSStream(window_, &count_);
    check(count_ == static_cast<int>(std::min<std::size_t>(tvx::kPSWindowSize, remaining())),
          "top-up did not fill the window");
    check(result == (count_ > before ? 0 : 1), "top-up result");
  }

  void take(int n, int skip) {
    const int taken = std::clamp(n, 0, count_);
    writeBufferToTempPSStream(window_, &count_, n, skip);
    left(taken, skip);
  }

  void takeLine(int skip) {
    const std::size_t lineFeed = std::string_view(window_, count_).find('\n');
    writeLineFromBufferToTempPSStream(window_, &count_, skip);
    if (lineFeed != std::string_view::npos) left(static_cast<int>(lineFeed) + 1, skip);
  }

  void copyUntil(const std::string& marker, int skip) {
    // An exhausted input finds nothing, not even an empty marker.
    const std::size_t at = remaining() == 0 ? std::string_view::npos : stream_.find(marker, pos_);
    const int result = tvx::copyUntilMarker(marker.c_str(), window_, &count_, skip, nullptr);
    check(result == (at == std::string_view::npos ? 1 : 0), "marker found or missed wrongly");
    left(static_cast<int>((at == std::string_view::npos ? stream_.size() : at) - pos_), skip);
    if (result == 0) topUpCheck();
  }

  void copyUntilEither(const std::string& marker1, const std::string& marker2, int skip) {
    const std::size_t before = pos_;
    const int result = tvx::copyUntilEitherMarker(marker1.c_str(), marker2.c_str(), window_, &count_, skip, nullptr);
    // Where the window stops depends on the window's history; the model
    // follows the stream position the primitives report through the window.
    const std::size_t now = result == 0 ? stream_.size() - static_cast<std::size_t>(count_) - unread() : stream_.size();
    check(now >= before, "the window went backwards");
    left(static_cast<int>(now - before), skip);
    if (result == 0) {
      const std::string_view held(window_, count_);
      check(held.starts_with(marker1) || held.starts_with(marker2), "window does not start with a marker");
      topUpCheck();
    }
    const bool either = before < stream_.size() && (stream_.find(marker1, before) != std::string_view::npos ||
                                                     stream_.find(marker2, before) != std::string_view::npos);
    check(result == (either ? 0 : 1), "markers found or missed wrongly");
  }

  std::size_t unread() const {
    const long at = std::ftell(inputPSStream);
    check(at >= 0, "ftell failed");
    return stream_.size() - static_cast<std::size_t>(at);
  }

  void topUpCheck() const {
    check(count_ == static_cast<int>(std::min<std::size_t>(tvx::kPSWindowSize, remaining())),
          "the window was not topped up after a find");
  }

  void identifier(int size) {
    for (int spaces = 1; spaces <= 2; ++spaces) {
      const auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(size) + 1);
      tvx::copyIdentifier(window_, spaces, buffer.get(), static_cast<std::size_t>(size) + 1);
      check(::strnlen(buffer.get(), static_cast<std::size_t>(size) + 1) <= static_cast<std::size_t>(size),
            "identifier not terminated");
    }
  }

  std::string_view stream_;
  std::size_t pos_ = 0;
  std::string expected_;
  std::unique_ptr<char[]> windowBuffer_ = std::make_unique<char[]>(tvx::kPSWindowSize + 1);
  char* window_ = windowBuffer_.get();
  int count_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = tvx::fuzz::asText(data, size);
  const std::string_view ops = nextLine(input).substr(0, 64);
  const std::string marker1 = markerOf(nextLine(input));
  const std::string marker2 = markerOf(nextLine(input));
  std::string stream(input);
  const tvx::UniqueFile in(fmemopen(stream.data(), stream.size(), "rb"));
  char* written = nullptr;
  std::size_t writtenSize = 0;
  tvx::UniqueFile out(open_memstream(&written, &writtenSize));
  check(in != nullptr && out != nullptr, "cannot open the memory streams");
  inputPSStream = in.get();
  tempPSStream = out.get();
  {
    Model model(stream);
    for (unsigned char op : ops) model.run(op, marker1, marker2);
    const std::string& expected = model.finish();
    std::fflush(out.get());
    check(std::string_view(written, writtenSize) == expected, "output differs from the model");
  }
  // Closing the stream may still write to its buffer: it goes first.
  out.reset();
  std::free(written);
  inputPSStream = tempPSStream = nullptr;
  return 0;
}
