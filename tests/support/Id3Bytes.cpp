#include "Id3Bytes.h"

#include <windows.h>

namespace id3bytes {

namespace {

void PutUtf16(Bytes& out, const std::wstring& text, bool bigEndian) {
    for (wchar_t c : text) {
        const auto hi = static_cast<std::uint8_t>(c >> 8), lo = static_cast<std::uint8_t>(c & 0xFF);
        if (bigEndian) { out.push_back(hi); out.push_back(lo); }
        else { out.push_back(lo); out.push_back(hi); }
    }
}

void PutUtf8(Bytes& out, const std::wstring& text) {
    if (text.empty()) return;
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], length, nullptr, nullptr);
    for (char c : utf8) out.push_back(static_cast<std::uint8_t>(c));
}

void PutBigEndian(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A zero after every 0xFF that is followed by 0xE0 or more or by a zero, and after a final 0xFF.
Bytes Unsynchronise(const Bytes& in) {
    Bytes out;
    for (size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] >= 0xE0 || in[i + 1] == 0)) out.push_back(0);
    }
    return out;
}

}  // namespace

Bytes TextBody(Encoding encoding, const std::vector<std::wstring>& strings) {
    Bytes out{static_cast<std::uint8_t>(encoding)};
    for (size_t i = 0; i < strings.size(); ++i) {
        if (i > 0) {
            out.push_back(0);
            if (encoding == Utf16Bom || encoding == Utf16Be) out.push_back(0);
        }
        switch (encoding) {
        case Latin1:
            for (wchar_t c : strings[i]) out.push_back(static_cast<std::uint8_t>(c));
            break;
        case Utf16Bom:
            out.push_back(0xFF);
            out.push_back(0xFE);
            PutUtf16(out, strings[i], false);
            break;
        case Utf16Be: PutUtf16(out, strings[i], true); break;
        case Utf8: PutUtf8(out, strings[i]); break;
        }
    }
    return out;
}

Bytes RawBody(std::uint8_t encoding, const std::string& payload) {
    Bytes out{encoding};
    for (char c : payload) out.push_back(static_cast<std::uint8_t>(c));
    return out;
}

void PutSyncsafe(Bytes& out, std::uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0x7F));
}

Bytes Frame(int version, const std::string& id, const Bytes& body, std::uint8_t formatFlags) {
    Bytes out(id.begin(), id.end());
    if (version == 2) {
        PutBigEndian(out, static_cast<std::uint32_t>(body.size()), 3);
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
    const Bytes data = (formatFlags & 0x02) ? Unsynchronise(body) : body;
    if (version == 4) PutSyncsafe(out, static_cast<std::uint32_t>(data.size()));
    else PutBigEndian(out, static_cast<std::uint32_t>(data.size()), 4);
    out.push_back(0);
    out.push_back(formatFlags);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes Header(std::uint8_t version, std::uint32_t declaredSize) {
    Bytes out{'I', 'D', '3', version, 0, 0};
    PutSyncsafe(out, declaredSize);
    return out;
}

Bytes Tag(int version, const std::vector<Bytes>& frames, const TagOptions& options) {
    Bytes body;
    for (const Bytes& frame : frames) body.insert(body.end(), frame.begin(), frame.end());
    body.resize(body.size() + options.padding, 0);
    std::uint8_t flags = options.extraFlags;
    if (options.unsynchronise) {
        flags |= 0x80;
        if (version < 4) body = Unsynchronise(body);
    }
    if (options.footer) flags |= 0x10;
    Bytes out = Header(static_cast<std::uint8_t>(version), static_cast<std::uint32_t>(body.size()));
    out[5] = flags;
    out.insert(out.end(), body.begin(), body.end());
    if (options.footer) {
        Bytes footer = Header(static_cast<std::uint8_t>(version), static_cast<std::uint32_t>(body.size()));
        footer[0] = '3'; footer[1] = 'D'; footer[2] = 'I';
        footer[5] = flags;
        out.insert(out.end(), footer.begin(), footer.end());
    }
    return out;
}

Bytes TitleArtistTag(int version, Encoding encoding, const std::wstring& title,
                     const std::wstring& artist, const TagOptions& options) {
    const bool v2 = version == 2;
    const std::uint8_t frameFlags = (version == 4 && options.unsynchronise) ? 0x02 : 0;
    return Tag(version,
               {Frame(version, v2 ? "TT2" : "TIT2", TextBody(encoding, {title}), frameFlags),
                Frame(version, v2 ? "TP1" : "TPE1", TextBody(encoding, {artist}), frameFlags)},
               options);
}

Bytes Trailer(const std::string& title, const std::string& artist, char pad, const std::string& year) {
    Bytes out{'T', 'A', 'G'};
    for (const std::string* field : {&title, &artist}) {
        std::string f = field->substr(0, 30);
        f.resize(30, pad);
        out.insert(out.end(), f.begin(), f.end());
    }
    out.resize(93, 0);  // no album
    if (!year.empty()) {
        std::string f = year.substr(0, 4);
        f.resize(4, pad);
        out.insert(out.end(), f.begin(), f.end());
    }
    out.resize(127, 0);
    out.push_back(255);  // no genre
    return out;
}

Bytes Audio(std::size_t size, std::uint32_t origin) {
    Bytes out(size);
    std::uint32_t state = origin * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        // Lower-case letters and digits only: no marker can form.
        out[i] = static_cast<std::uint8_t>("abcdefghijklmnopqrstuvwxyz0123456789"[(state >> 24) % 36]);
    }
    if (size >= 2) { out[0] = 0xFF; out[1] = 0xFB; }  // looks like an MPEG frame start
    return out;
}

Bytes ApeTag(std::size_t itemBytes) {
    // The size counts the items and the footer; flag bit 31: a header is present,
    // bit 29 (on the header only): this is the header.
    const std::uint32_t size = static_cast<std::uint32_t>(itemBytes + 32);
    auto part = [size](bool header) {
        Bytes out{'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X', 0xD0, 0x07, 0, 0};
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
        out.insert(out.end(), {0, 0, 0, 0, 0, 0, 0, std::uint8_t(header ? 0xA0 : 0x80)});
        out.resize(32, 0);
        return out;
    };
    return Join({part(true), Bytes(itemBytes, 0), part(false)});
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace id3bytes
