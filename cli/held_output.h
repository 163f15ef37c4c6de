#pragma once

#include <memory>
#include <ostream>
#include <streambuf>
#include <vector>

namespace qmk::cli {

// Output held until a command ends, in blocks that are never copied to grow: a long listing
// costs one pass to hold and one to print.
class HeldOutput : public std::ostream {
public:
    HeldOutput() : std::ostream(&buffer_) {}

    void printTo(std::ostream& target) {
        for (std::size_t i = 0; i < buffer_.blocks.size(); ++i) {
            const bool last = i + 1 == buffer_.blocks.size();
            const auto size = last ? buffer_.used() : Blocks::kBlock;
            target.write(buffer_.blocks[i].get(), static_cast<std::streamsize>(size));
        }
        discard();
    }
    void discard() { buffer_.clear(); }

private:
    struct Blocks : std::streambuf {
        static constexpr std::size_t kBlock = 1 << 18;
        std::vector<std::unique_ptr<char[]>> blocks;

        std::size_t used() const { return static_cast<std::size_t>(pptr() - pbase()); }
        void clear() {
            blocks.clear();
            setp(nullptr, nullptr);
        }
        int_type overflow(int_type c) override {
            blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
            setp(blocks.back().get(), blocks.back().get() + kBlock);
            if (!traits_type::eq_int_type(c, traits_type::eof())) {
                *pptr() = traits_type::to_char_type(c);
                pbump(1);
            }
            return traits_type::not_eof(c);
        }
    };
    Blocks buffer_;
};

} // namespace qmk::cli
