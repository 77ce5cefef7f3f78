// A small seeded mutator for the fuzz drivers that run under Wine, where
// libFuzzer does not: the same seed, corpus and dictionary give the same
// inputs, so a finding is reproduced by its seed and input number.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

class Mutator {
public:
    explicit Mutator(uint64_t seed) : state_(seed * 2862933555777941757ull + 3037000493ull) {}

    uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<uint32_t>(state_ >> 11);
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }

    // Reads a libFuzzer dictionary: one "quoted" token a line, with \xNN escapes.
    void LoadDictionary(const char* path)
    {
        FILE* file = fopen(path, "rb");
        if (!file)
            return;
        char line[512];
        while (fgets(line, sizeof(line), file)) {
            const char* quote = strchr(line, '"');
            if (line[0] == '#' || !quote)
                continue;
            Bytes token;
            for (const char* p = quote + 1; *p && *p != '"'; p++) {
                if (p[0] == '\\' && p[1] == 'x' && p[2] && p[3]) {
                    token.push_back(static_cast<uint8_t>(strtoul(std::string(p + 2, 2).c_str(), nullptr, 16)));
                    p += 3;
                } else if (p[0] == '\\' && p[1]) {
                    token.push_back(static_cast<uint8_t>(*++p));
                } else {
                    token.push_back(static_cast<uint8_t>(*p));
                }
            }
            if (!token.empty())
                dictionary_.push_back(token);
        }
        fclose(file);
    }

    // One to eight mutations of a copy of the seed; other seeds are spliced in.
    Bytes Mutate(const Bytes& seed, const std::vector<Bytes>& others, size_t maxSize)
    {
        Bytes data = seed;
        int rounds = 1 + Below(8);
        for (int r = 0; r < rounds; r++)
            MutateOnce(data, others);
        if (data.size() > maxSize)
            data.resize(maxSize);
        return data;
    }

private:
    void MutateOnce(Bytes& data, const std::vector<Bytes>& others)
    {
        static const uint32_t kInteresting[] = {0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF,
                                                0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 100000, 65535, 16384};
        size_t at = data.empty() ? 0 : Below(static_cast<uint32_t>(data.size()));
        switch (Below(data.empty() ? 3 : 10)) {
        case 0:  // insert random bytes
            data.insert(data.begin() + at, 1 + Below(16), static_cast<uint8_t>(Next()));
            break;
        case 1:  // a dictionary token, inserted
            if (!dictionary_.empty()) {
                const Bytes& token = dictionary_[Below(static_cast<uint32_t>(dictionary_.size()))];
                data.insert(data.begin() + at, token.begin(), token.end());
            }
            break;
        case 2:  // splice: a piece of another seed
            if (!others.empty()) {
                const Bytes& other = others[Below(static_cast<uint32_t>(others.size()))];
                if (!other.empty()) {
                    size_t from = Below(static_cast<uint32_t>(other.size()));
                    size_t length = 1 + Below(static_cast<uint32_t>(other.size() - from));
                    data.insert(data.begin() + at, other.begin() + from, other.begin() + from + length);
                }
            }
            break;
        case 3:  // flip a bit
            data[at] ^= static_cast<uint8_t>(1u << Below(8));
            break;
        case 4:  // a random byte
            data[at] = static_cast<uint8_t>(Next());
            break;
        case 5: {  // an interesting value, little-endian, 1 to 4 bytes
            uint32_t value = kInteresting[Below(sizeof(kInteresting) / sizeof(kInteresting[0]))];
            size_t width = 1u << Below(3);
            for (size_t i = 0; i < width && at + i < data.size(); i++)
                data[at + i] = static_cast<uint8_t>(value >> (8 * i));
            break;
        }
        case 6:  // a dictionary token, written over
            if (!dictionary_.empty()) {
                const Bytes& token = dictionary_[Below(static_cast<uint32_t>(dictionary_.size()))];
                for (size_t i = 0; i < token.size() && at + i < data.size(); i++)
                    data[at + i] = token[i];
            }
            break;
        case 7:  // cut the end off
            data.resize(at);
            break;
        case 8:  // erase a piece
            data.erase(data.begin() + at, data.begin() + at + 1 + Below(static_cast<uint32_t>(data.size() - at)));
            break;
        default: {  // small arithmetic on a byte
            data[at] = static_cast<uint8_t>(data[at] + Below(35) - 17);
            break;
        }
        }
    }

    uint64_t state_;
    std::vector<Bytes> dictionary_;
};
