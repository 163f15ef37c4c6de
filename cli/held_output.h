#pragma once

#include <memory>
#include <new>
#include <ostream>
#include <streambuf>
#include <vector>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace qmk::cli {

// Output held until a command ends, in blocks that are never copied to grow: a long listing
// costs one pass to hold and one to print.
class HeldOutput : public std::ostream {
public:
    HeldOutput() : std::ostream(&buffer_) {}

    void printTo(std::ostream& target) {
        for (std::size_t i = 0; i < buffer_.blocks.size(); ++i) {
            const bool last = i + 1 == buffer_.blocks.size();
            const auto size = last ? buffer_.used() : kBlock;
            target.write(buffer_.blocks[i].get(), static_cast<std::streamsize>(size));
        }
        discard();
    }
    void discard() { buffer_.clear(); }

private:
    // A block's pages are mapped in one go where the system allows it: touching them one
    // page fault at a time was a quarter of a long listing's time.
    struct BlockRelease {
        void operator()(char* block) const {
#ifdef MAP_POPULATE
            munmap(block, kBlock);
#else
            delete[] block;
#endif
        }
    };
    using Block = std::unique_ptr<char[], BlockRelease>;
    static constexpr std::size_t kBlock = 1 << 18;

    static Block newBlock() {
#ifdef MAP_POPULATE
        void* pages = mmap(nullptr, kBlock, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (pages == MAP_FAILED)
            throw std::bad_alloc();
        return Block(static_cast<char*>(pages));
#else
        return Block(new char[kBlock]);
#endif
    }

    struct Blocks : std::streambuf {
        std::vector<Block> blocks;

        std::size_t used() const { return static_cast<std::size_t>(pptr() - pbase()); }
        void clear() {
            blocks.clear();
            setp(nullptr, nullptr);
        }
        int_type overflow(int_type c) override {
            blocks.push_back(newBlock());
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
