#include "platform/CodePage.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string WideToAnsi(WideView wide) {
    std::string out;
    out.reserve(wide.size() + wide.size() / 2 + 1);
    // The ASCII run at the start, eight units at a time.
    size_t ascii = 0;
    out.resize(wide.size());
#ifdef __SSE2__
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; ascii + 8 <= wide.size(); ascii += 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wide.data() + ascii));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, high), _mm_setzero_si128())) !=
            0xFFFF)
            break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out.data() + ascii),
                         _mm_packus_epi16(units, units));
    }
#endif
    for (; ascii < wide.size() && wide[ascii] < 0x80; ++ascii)
        out[ascii] = static_cast<char>(wide[ascii]);
    out.resize(ascii);
    for (size_t i = ascii; i < wide.size(); ++i) {
        char32_t unit = wide[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

namespace {

// The run of ASCII bytes at the start of in[0, n), sixteen at a time; kWiden also copies it into
// out as UTF-16.
template <bool kWiden>
size_t AsciiRun(const char* in, size_t n, OLECHAR* out) {
    size_t i = 0;
#ifdef __SSE2__
    if constexpr (!kWiden) {
        // Counting only: four blocks a step, a reply's long ASCII runs at memory speed.
        for (; i + 64 <= n; i += 64) {
            const auto* block = reinterpret_cast<const __m128i*>(in + i);
            __m128i any =
                _mm_or_si128(_mm_or_si128(_mm_loadu_si128(block), _mm_loadu_si128(block + 1)),
                             _mm_or_si128(_mm_loadu_si128(block + 2), _mm_loadu_si128(block + 3)));
            if (_mm_movemask_epi8(any) != 0)
                break;
        }
    }
    for (; i + 16 <= n; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(bytes) != 0)
            break;
        if constexpr (kWiden) {
            __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8),
                             _mm_unpackhi_epi8(bytes, zero));
        }
    }
#else
    (void)out;
#endif
    for (; i < n && static_cast<unsigned char>(in[i]) < 0x80; ++i)
        if constexpr (kWiden)
            out[i] = static_cast<OLECHAR>(in[i]);
    return i;
}

// The character at text[i] and the bytes it takes; what is no character is U+FFFD for one byte.
char32_t DecodeAt(std::string_view text, size_t i, size_t& length) {
    auto lead = static_cast<unsigned char>(text[i]);
    length = 1;
    if (lead < 0x80)
        return lead;
    int extra = (lead & 0xE0) == 0xC0   ? 1
                : (lead & 0xF0) == 0xE0 ? 2
                : (lead & 0xF8) == 0xF0 ? 3
                                        : -1;
    if (extra < 0 || i + extra >= text.size())
        return kReplacement;
    char32_t cp = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return kReplacement;
        cp = (cp << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return kReplacement;
    length = static_cast<size_t>(extra) + 1;
    return cp;
}

}  // namespace

size_t AnsiToWideInto(std::string_view ansi, OLECHAR* out, size_t) {
    size_t written = 0;
    for (size_t i = 0; i < ansi.size();) {
        size_t run = AsciiRun<true>(ansi.data() + i, ansi.size() - i, out + written);
        i += run;
        written += run;
        if (i == ansi.size())
            break;
        size_t length = 0;
        char32_t cp = DecodeAt(ansi, i, length);
        if (cp < 0x10000) {
            out[written++] = static_cast<OLECHAR>(cp);
        } else {
            cp -= 0x10000;
            out[written++] = static_cast<OLECHAR>(0xD800 | (cp >> 10));
            out[written++] = static_cast<OLECHAR>(0xDC00 | (cp & 0x3FF));
        }
        i += length;
    }
    return written;
}

namespace {

// The last position at or before `at` where a conversion of the whole text starts a character:
// never inside a sequence that decodes, which has at most three continuation bytes.
size_t CharacterStart(std::string_view text, size_t at) {
    for (size_t back = 0; back < 4 && back < at; ++back)
        if ((static_cast<unsigned char>(text[at - back]) & 0xC0) != 0x80)
            return at - back;
    return at;
}

}  // namespace

size_t AnsiToWideReleasing(std::string& ansi, OLECHAR* out, size_t capacity) {
    constexpr size_t kSlice = 1 << 20;
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto base = reinterpret_cast<uintptr_t>(ansi.data());
    // Whole pages only: the allocator keeps its own bookkeeping just before the text.
    uintptr_t released = (base + page - 1) & ~(page - 1);
    std::string_view text(ansi);
    size_t written = 0;
    for (size_t done = 0; done < text.size();) {
        size_t end =
            text.size() - done > kSlice ? CharacterStart(text, done + kSlice) : text.size();
        written += AnsiToWideInto(text.substr(done, end - done), out + written, capacity - written);
        done = end;
        // The last slice goes with the whole text just after: giving its pages back first
        // would only cost faults in the next allocation that reuses them.
        uintptr_t through = (base + done) & ~(page - 1);
        if (done < text.size() && through > released) {
            madvise(reinterpret_cast<void*>(released), through - released, MADV_DONTNEED);
            released = through;
        }
    }
    std::string().swap(ansi);
    return written;
}

size_t WideLength(std::string_view ansi) {
    size_t units = 0;
    for (size_t i = 0; i < ansi.size();) {
        size_t run = AsciiRun<false>(ansi.data() + i, ansi.size() - i, nullptr);
        i += run;
        units += run;
        if (i == ansi.size())
            break;
        size_t length = 0;
        units += DecodeAt(ansi, i, length) < 0x10000 ? 1 : 2;
        i += length;
    }
    return units;
}

std::string WideToUtf8(WideView wide) {
    return WideToAnsi(wide);  // the system's 8-bit text is UTF-8 here
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return std::string(utf8);
}

WideString AnsiToWide(std::string_view ansi) {
    WideString out(WideLength(ansi), u'\0');
    AnsiToWideInto(ansi, out.data(), out.size());
    return out;
}

WideString ReplyToWide(std::string_view reply) {
    return AnsiToWide(reply);
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        i += AsciiRun<false>(text.data() + i, text.size() - i, nullptr);
        if (i == text.size())
            break;
        size_t length = 0;
        // What is no character decodes to U+FFFD for one byte; U+FFFD itself takes three.
        if (DecodeAt(text, i, length) == kReplacement && length == 1)
            return false;
        i += length;
    }
    return true;
}

}  // namespace platform
