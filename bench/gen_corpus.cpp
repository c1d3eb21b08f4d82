// Deterministic corpus generator for the benchmarks.
//
// The same seed produces the same characters in every encoding and line-end style, so a cp932 corpus
// converted to UTF-8 equals the UTF-8 corpus byte for byte (that is how the tables are checked).
// Line lengths are measured in UTF-8 bytes for that reason; the cp932 lines are shorter.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct SplitMix64 {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // Modulo bias is irrelevant for a benchmark corpus.
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
};

struct Glyph {
    char32_t cp;
    std::uint16_t sjis; // < 0x100: single byte
};

// Checked against iconv; the trail bytes 0x5C (表, 能, 十, 予, 申, ソ) are there on purpose.
constexpr Glyph kKanji[] = {
    {U'日', 0x93FA}, {U'本', 0x967B}, {U'表', 0x955C}, {U'人', 0x906C}, {U'大', 0x91E5}, {U'中', 0x9286},
    {U'年', 0x944E}, {U'月', 0x8C8E}, {U'山', 0x8E52}, {U'川', 0x90EC}, {U'水', 0x9085}, {U'火', 0x89CE},
    {U'木', 0x96D8}, {U'金', 0x8BE0}, {U'土', 0x9379}, {U'上', 0x8FE3}, {U'下', 0x89BA}, {U'東', 0x938C},
    {U'京', 0x8B9E}, {U'学', 0x8A77}, {U'生', 0x90B6}, {U'時', 0x8E9E}, {U'行', 0x8D73}, {U'見', 0x8CA9},
    {U'出', 0x8F6F}, {U'語', 0x8CEA}, {U'文', 0x95B6}, {U'字', 0x8E9A}, {U'会', 0x89EF}, {U'社', 0x8ED0},
    {U'国', 0x8D91}, {U'電', 0x9364}, {U'車', 0x8ED4}, {U'話', 0x9862}, {U'名', 0x96BC}, {U'前', 0x914F},
    {U'後', 0x8CE3}, {U'今', 0x8DA1}, {U'書', 0x8F91}, {U'能', 0x945C}, {U'十', 0x8F5C}, {U'予', 0x975C},
    {U'申', 0x905C}, {U'雨', 0x894A}, {U'花', 0x89D4}, {U'空', 0x8BF3}, {U'海', 0x8A43}, {U'町', 0x92AC},
    {U'店', 0x9358}, {U'駅', 0x8977}, {U'気', 0x8B43}, {U'示', 0x8EA6}, {U'曜', 0x976A}, {U'定', 0x92E8},
    {U'請', 0x90BF}, {U'力', 0x97CD},
};

constexpr Glyph kPunct[] = {
    {U'、', 0x8141}, {U'。', 0x8142}, {U'ー', 0x815B}, {U'・', 0x8145}, {U'「', 0x8175},
    {U'」', 0x8176}, {U'　', 0x8140}, {U'！', 0x8149}, {U'？', 0x8148}, {U'＼', 0x815F},
};

// Contiguous runs of the JIS rows: first code point, count, first Shift-JIS code.
struct Run {
    char32_t cp;
    int count;
    std::uint16_t sjis;
};
constexpr Run kHiragana[] = {{0x3041, 83, 0x829F}};                       // ぁ..ん
constexpr Run kKatakana[] = {{0x30A1, 63, 0x8340}, {0x30E0, 23, 0x8380}}; // ァ..ミ, ム..ヶ (0x7F is no trail)
constexpr Run kFullAlnum[] = {{0xFF10, 10, 0x824F}, {0xFF21, 26, 0x8260}, {0xFF41, 26, 0x8281}};
constexpr Run kHalfKana[] = {{0xFF61, 63, 0x00A1}}; // ｡..ﾟ, single bytes

constexpr std::string_view kAsciiWords[] = {
    "alpha", "bravo", "charlie", "delta", "echo",   "foxtrot", "golf",  "hotel", "india",  "juliet",
    "kilo",  "lima",  "mike",    "line",  "editor", "sort",    "table", "file",  "window", "select",
    "copy",  "paste", "undo",    "the",   "a",      "of",      "and",   "to",    "in",     "is",
    "Tokyo", "Osaka", "Kyoto",   "OK",    "Error",  "2024",    "42",    "v1.0",  "x",      "README",
};

constexpr std::u32string_view kJapaneseWords[] = {
    U"日本",     U"日本語",     U"東京",       U"学生",   U"電話",   U"会社",   U"表示",     U"能力",
    U"申請",     U"予定",       U"十月",       U"ソフト", U"テスト", U"データ", U"ファイル", U"カタカナ",
    U"ひらがな", U"こんにちは", U"ありがとう", U"ｶﾀｶﾅ",   U"ﾃｽﾄ",    U"名前",   U"今年",     U"水曜日",
};

constexpr std::string_view kNames[] = {"tanaka",    "suzuki",   "sato",     "takahashi",
                                       "ito",       "watanabe", "yamamoto", "nakamura",
                                       "kobayashi", "kato",     "yoshida",  "yamada"};

// A piece of text pre-encoded for the chosen encoding, with its UTF-8 length for the length budget.
struct Piece {
    std::string bytes;
    std::size_t utf8Len;
};

void appendUtf8(std::string& out, char32_t cp) {
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

class Encoder {
  public:
    explicit Encoder(bool cp932) : cp932_(cp932) {
        for (const Glyph& g : kKanji)
            glyphs_.push_back(g);
        for (const Glyph& g : kPunct)
            glyphs_.push_back(g);
        addRuns(kHiragana);
        addRuns(kKatakana);
        addRuns(kFullAlnum);
        addRuns(kHalfKana);
    }

    Piece glyph(const Glyph& g) const {
        Piece p;
        appendUtf8(p.bytes, g.cp);
        p.utf8Len = p.bytes.size();
        if (cp932_)
            p.bytes = sjisBytes(g.sjis);
        return p;
    }

    Piece ascii(std::string_view s) const { return {std::string(s), s.size()}; }

    Piece text(std::u32string_view s) const {
        Piece p;
        std::string utf8;
        for (char32_t cp : s) {
            appendUtf8(utf8, cp);
            if (cp932_)
                p.bytes += sjisBytes(find(cp).sjis);
        }
        p.utf8Len = utf8.size();
        if (!cp932_)
            p.bytes = std::move(utf8);
        return p;
    }

  private:
    template <std::size_t N> void addRuns(const Run (&runs)[N]) {
        for (const Run& r : runs)
            for (int i = 0; i < r.count; ++i)
                glyphs_.push_back({static_cast<char32_t>(r.cp + i), static_cast<std::uint16_t>(r.sjis + i)});
    }

    const Glyph& find(char32_t cp) const {
        for (const Glyph& g : glyphs_)
            if (g.cp == cp)
                return g;
        std::fprintf(stderr, "gen_corpus: U+%04X has no entry in the tables\n", static_cast<unsigned>(cp));
        std::exit(1);
    }

    static std::string sjisBytes(std::uint16_t code) {
        if (code < 0x100)
            return std::string(1, static_cast<char>(code));
        return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    }

    bool cp932_;
    std::vector<Glyph> glyphs_;
};

std::vector<Piece> encodeRuns(const Encoder& enc, const Run* begin, const Run* end) {
    std::vector<Piece> out;
    for (const Run* r = begin; r != end; ++r)
        for (int i = 0; i < r->count; ++i)
            out.push_back(
                enc.glyph({static_cast<char32_t>(r->cp + i), static_cast<std::uint16_t>(r->sjis + i)}));
    return out;
}

template <typename T, std::size_t N, typename F> std::vector<Piece> encodeAll(const T (&items)[N], F f) {
    std::vector<Piece> out;
    for (const T& item : items)
        out.push_back(f(item));
    return out;
}

struct Tables {
    std::vector<Piece> kanji, punct, hiragana, katakana, fullAlnum, halfKana, asciiWords, japaneseWords,
        names;

    explicit Tables(const Encoder& enc)
        : kanji(encodeAll(kKanji, [&](const Glyph& g) { return enc.glyph(g); })),
          punct(encodeAll(kPunct, [&](const Glyph& g) { return enc.glyph(g); })),
          hiragana(encodeRuns(enc, std::begin(kHiragana), std::end(kHiragana))),
          katakana(encodeRuns(enc, std::begin(kKatakana), std::end(kKatakana))),
          fullAlnum(encodeRuns(enc, std::begin(kFullAlnum), std::end(kFullAlnum))),
          halfKana(encodeRuns(enc, std::begin(kHalfKana), std::end(kHalfKana))),
          asciiWords(encodeAll(kAsciiWords, [&](std::string_view s) { return enc.ascii(s); })),
          japaneseWords(encodeAll(kJapaneseWords, [&](std::u32string_view s) { return enc.text(s); })),
          names(encodeAll(kNames, [&](std::string_view s) { return enc.ascii(s); })) {}
};

const Piece& pick(SplitMix64& rng, const std::vector<Piece>& v) {
    return v[rng.below(v.size())];
}

const Piece& japanesePiece(SplitMix64& rng, const Tables& t) {
    std::uint32_t r = rng.below(100);
    if (r < 35)
        return pick(rng, t.hiragana);
    if (r < 60)
        return pick(rng, t.kanji);
    if (r < 75)
        return pick(rng, t.katakana);
    if (r < 80)
        return pick(rng, t.halfKana);
    if (r < 85)
        return pick(rng, t.fullAlnum);
    if (r < 93)
        return pick(rng, t.punct);
    return pick(rng, t.japaneseWords);
}

// Fills a line up to a UTF-8 budget of 1..80 bytes; style 0 Japanese, 1 ASCII words, 2 mixed.
void textLine(SplitMix64& rng, const Tables& t, std::string& line) {
    std::size_t budget = 1 + rng.below(80);
    std::uint32_t style = rng.below(100);
    style = style < 45 ? 0 : style < 70 ? 1 : 2;
    std::size_t used = 0;
    bool first = true;
    for (int misses = 0; misses < 4;) {
        bool ascii = style == 1 || (style == 2 && rng.below(3) == 0);
        const Piece& p = ascii ? pick(rng, t.asciiWords) : japanesePiece(rng, t);
        std::size_t cost = p.utf8Len + (ascii && !first ? 1 : 0);
        if (used + cost > budget) {
            ++misses;
            continue;
        }
        if (ascii && !first)
            line += ' ';
        line += p.bytes;
        used += cost;
        first = false;
    }
    if (first)
        line += 'x'; // empty lines come only from their own 3% share
}

void csvLine(SplitMix64& rng, const Tables& t, std::string& line) {
    line += pick(rng, t.names).bytes;
    line += ',';
    line += std::to_string(rng.below(100000));
    line += ',';
    line += pick(rng, t.japaneseWords).bytes;
    line += ",\"";
    line += pick(rng, t.asciiWords).bytes;
    if (rng.below(3) == 0)
        line += ", ";
    else
        line += ' ';
    line += pick(rng, t.japaneseWords).bytes;
    line += '"';
}

[[noreturn]] void usage() {
    std::fputs("usage: gen_corpus --lines N --eol lf|crlf --encoding utf8|cp932 --kind text|csv --out PATH\n",
               stderr);
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    long long lines = -1;
    std::string eol, encoding, kind, out;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (i + 1 >= argc)
            usage();
        const char* value = argv[++i];
        if (arg == "--lines") {
            char* end = nullptr;
            lines = std::strtoll(value, &end, 10);
            if (*end != '\0' || lines < 0)
                usage();
        } else if (arg == "--eol") {
            eol = value;
        } else if (arg == "--encoding") {
            encoding = value;
        } else if (arg == "--kind") {
            kind = value;
        } else if (arg == "--out") {
            out = value;
        } else {
            usage();
        }
    }
    if (lines < 0 || (eol != "lf" && eol != "crlf") || (encoding != "utf8" && encoding != "cp932") ||
        (kind != "text" && kind != "csv") || out.empty())
        usage();

    const Encoder enc(encoding == "cp932");
    const Tables tables(enc);
    const std::string_view lineEnd = eol == "crlf" ? "\r\n" : "\n";
    const bool csv = kind == "csv";

    std::FILE* f = std::fopen(out.c_str(), "wb");
    if (!f) {
        std::perror(out.c_str());
        return 1;
    }
    static char buffer[1 << 20];
    std::setvbuf(f, buffer, _IOFBF, sizeof buffer);

    // Fixed seed per kind: encodings and line ends of one kind share their content.
    SplitMix64 rng{csv ? 0xC5F00DULL : 0x7E47ULL};
    std::string line, previous;
    for (long long n = 0; n < lines; ++n) {
        line.clear();
        if (csv) {
            csvLine(rng, tables, line);
        } else {
            std::uint32_t r = rng.below(1000);
            if (r < 30) {
                // empty line
            } else if (r < 80 && n > 0) {
                line = previous;
            } else if (r < 100) {
                // Lines holding one word: targets for delete-matching and replace-lines.
                line = (r & 1 ? pick(rng, tables.asciiWords) : pick(rng, tables.japaneseWords)).bytes;
            } else {
                textLine(rng, tables, line);
            }
        }
        std::fwrite(line.data(), 1, line.size(), f);
        std::fwrite(lineEnd.data(), 1, lineEnd.size(), f);
        previous.swap(line);
    }
    if (std::fclose(f) != 0) {
        std::perror(out.c_str());
        return 1;
    }
    return 0;
}
