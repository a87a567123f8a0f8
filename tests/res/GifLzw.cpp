#include "res/GifLzw.h"

#include <cstddef>
#include <stdexcept>
#include <string>

namespace corvelle::res {
namespace {

constexpr std::size_t kMaxCodes = 4096;
constexpr int kMaxCodeSize = 12;

// Codes are packed least significant bit first.
class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> data) : data_(data) {}

    unsigned Read(int bits) {
        if (position_ + static_cast<std::size_t>(bits) > data_.size() * 8) {
            throw std::runtime_error("LZW data ends before the end-of-information code");
        }
        unsigned value = 0;
        for (int i = 0; i < bits; ++i, ++position_) {
            value |= ((data_[position_ / 8] >> (position_ % 8)) & 1u) << i;
        }
        return value;
    }

    std::size_t BitsLeft() const { return data_.size() * 8 - position_; }

private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

}  // namespace

std::vector<std::uint8_t> DecodeGifLzw(std::span<const std::uint8_t> data, int minCodeSize) {
    if (minCodeSize < 2 || minCodeSize > 8) {
        throw std::runtime_error("LZW minimum code size " + std::to_string(minCodeSize));
    }
    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    std::vector<std::vector<std::uint8_t>> table;
    int codeSize = 0;
    auto reset = [&] {
        table.clear();
        for (unsigned i = 0; i < clear; ++i) {
            table.push_back({static_cast<std::uint8_t>(i)});
        }
        table.emplace_back();  // the clear code
        table.emplace_back();  // the end code
        codeSize = minCodeSize + 1;
    };
    reset();

    BitReader bits(data);
    std::vector<std::uint8_t> out;
    bool havePrevious = false;
    unsigned previous = 0;
    for (;;) {
        const unsigned code = bits.Read(codeSize);
        if (code == clear) {
            reset();
            havePrevious = false;
            continue;
        }
        if (code == end) {
            if (bits.BitsLeft() >= 8) {
                throw std::runtime_error(std::to_string(bits.BitsLeft() / 8) +
                                         " bytes of LZW data after the end code");
            }
            return out;
        }
        std::vector<std::uint8_t> entry;
        if (code < table.size()) {
            entry = table[code];
        } else if (code == table.size() && havePrevious) {
            entry = table[previous];
            entry.push_back(table[previous][0]);
        } else {
            throw std::runtime_error("LZW code " + std::to_string(code) + " with " +
                                     std::to_string(table.size()) + " table entries");
        }
        out.insert(out.end(), entry.begin(), entry.end());
        if (havePrevious && table.size() < kMaxCodes) {
            auto added = table[previous];
            added.push_back(entry[0]);
            table.push_back(std::move(added));
            if (table.size() == (std::size_t{1} << codeSize) && codeSize < kMaxCodeSize) {
                ++codeSize;
            }
        }
        previous = code;
        havePrevious = true;
    }
}

}  // namespace corvelle::res
