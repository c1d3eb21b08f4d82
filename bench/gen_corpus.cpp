// Deterministic corpus generator for the benchmarks.
//
// The same seed produces the same characters in every encoding and line-end style, so a cp932 or
// EUC-JP corpus converted to UTF-8 equals the UTF-8 corpus byte for byte (that is how the tables are
// checked). Line lengths are measured in UTF-8 bytes for that reason; the cp932 lines are shorter.
//
// Kinds text and csv are the original corpora (their bytes must not change: earlier figures were
// measured on them). ja-text and ja-csv look like our Japanese users' files: sentences of double-byte
// words, address-book records with a reading in full-width and half-width katakana, a few JIS X 0212
// characters (IBM extensions in cp932) and, with --broken, a few lone lead bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
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

// JIS X 0212 characters that cp932 holds as IBM extensions (all in family and given names): EUC-JP
// writes them as 0x8F and two bytes, which the row/cell arithmetic from Shift-JIS cannot give.
struct Extension {
    char32_t cp;
    std::uint16_t sjis;
    std::uint32_t euc;
};
constexpr Extension kJisX0212[] = {
    {U'濵', 0xFB4D, 0x8FC9A6},
    {U'桒', 0xFAE3, 0x8FC3C9},
    {U'彅', 0xFA67, 0x8FBCF4},
    {U'曻', 0xFA66, 0x8FC2BF},
};

// ---- the ja-text and ja-csv tables ----

struct Person {
    std::u32string_view name, reading, halfReading;
};

constexpr Person kFamilyNames[] = {
    {U"田中", U"タナカ", U"ﾀﾅｶ"},       {U"鈴木", U"スズキ", U"ｽｽﾞｷ"},
    {U"佐藤", U"サトウ", U"ｻﾄｳ"},       {U"高橋", U"タカハシ", U"ﾀｶﾊｼ"},
    {U"伊藤", U"イトウ", U"ｲﾄｳ"},       {U"渡辺", U"ワタナベ", U"ﾜﾀﾅﾍﾞ"},
    {U"山本", U"ヤマモト", U"ﾔﾏﾓﾄ"},    {U"中村", U"ナカムラ", U"ﾅｶﾑﾗ"},
    {U"小林", U"コバヤシ", U"ｺﾊﾞﾔｼ"},   {U"加藤", U"カトウ", U"ｶﾄｳ"},
    {U"吉田", U"ヨシダ", U"ﾖｼﾀﾞ"},      {U"山田", U"ヤマダ", U"ﾔﾏﾀﾞ"},
    {U"佐々木", U"ササキ", U"ｻｻｷ"},     {U"山口", U"ヤマグチ", U"ﾔﾏｸﾞﾁ"},
    {U"松本", U"マツモト", U"ﾏﾂﾓﾄ"},    {U"井上", U"イノウエ", U"ｲﾉｳｴ"},
    {U"木村", U"キムラ", U"ｷﾑﾗ"},       {U"林", U"ハヤシ", U"ﾊﾔｼ"},
    {U"斎藤", U"サイトウ", U"ｻｲﾄｳ"},    {U"清水", U"シミズ", U"ｼﾐｽﾞ"},
    {U"山崎", U"ヤマザキ", U"ﾔﾏｻﾞｷ"},   {U"森", U"モリ", U"ﾓﾘ"},
    {U"池田", U"イケダ", U"ｲｹﾀﾞ"},      {U"橋本", U"ハシモト", U"ﾊｼﾓﾄ"},
    {U"阿部", U"アベ", U"ｱﾍﾞ"},         {U"石川", U"イシカワ", U"ｲｼｶﾜ"},
    {U"前田", U"マエダ", U"ﾏｴﾀﾞ"},      {U"藤田", U"フジタ", U"ﾌｼﾞﾀ"},
    {U"後藤", U"ゴトウ", U"ｺﾞﾄｳ"},      {U"岡田", U"オカダ", U"ｵｶﾀﾞ"},
    {U"長谷川", U"ハセガワ", U"ﾊｾｶﾞﾜ"}, {U"村上", U"ムラカミ", U"ﾑﾗｶﾐ"},
    {U"近藤", U"コンドウ", U"ｺﾝﾄﾞｳ"},   {U"坂本", U"サカモト", U"ｻｶﾓﾄ"},
    {U"遠藤", U"エンドウ", U"ｴﾝﾄﾞｳ"},   {U"青木", U"アオキ", U"ｱｵｷ"},
    {U"西村", U"ニシムラ", U"ﾆｼﾑﾗ"},    {U"福田", U"フクダ", U"ﾌｸﾀﾞ"},
    {U"太田", U"オオタ", U"ｵｵﾀ"},       {U"三浦", U"ミウラ", U"ﾐｳﾗ"},
    {U"藤井", U"フジイ", U"ﾌｼﾞｲ"},      {U"岡本", U"オカモト", U"ｵｶﾓﾄ"},
    {U"松田", U"マツダ", U"ﾏﾂﾀﾞ"},      {U"中野", U"ナカノ", U"ﾅｶﾉ"},
    {U"原田", U"ハラダ", U"ﾊﾗﾀﾞ"},      {U"小野", U"オノ", U"ｵﾉ"},
    {U"竹内", U"タケウチ", U"ﾀｹｳﾁ"},    {U"金子", U"カネコ", U"ｶﾈｺ"},
    {U"和田", U"ワダ", U"ﾜﾀﾞ"},         {U"石田", U"イシダ", U"ｲｼﾀﾞ"},
    {U"上田", U"ウエダ", U"ｳｴﾀﾞ"},      {U"柴田", U"シバタ", U"ｼﾊﾞﾀ"},
    {U"酒井", U"サカイ", U"ｻｶｲ"},       {U"工藤", U"クドウ", U"ｸﾄﾞｳ"},
    {U"宮崎", U"ミヤザキ", U"ﾐﾔｻﾞｷ"},   {U"内田", U"ウチダ", U"ｳﾁﾀﾞ"},
    {U"安藤", U"アンドウ", U"ｱﾝﾄﾞｳ"},   {U"大野", U"オオノ", U"ｵｵﾉ"},
    {U"今井", U"イマイ", U"ｲﾏｲ"},       {U"藤原", U"フジワラ", U"ﾌｼﾞﾜﾗ"},
    {U"能登", U"ノト", U"ﾉﾄ"},          {U"表", U"オモテ", U"ｵﾓﾃ"},
    {U"十河", U"ソゴウ", U"ｿｺﾞｳ"},      {U"申", U"シン", U"ｼﾝ"},
    {U"曽我", U"ソガ", U"ｿｶﾞ"},         {U"濵田", U"ハマダ", U"ﾊﾏﾀﾞ"},
    {U"桒原", U"クワバラ", U"ｸﾜﾊﾞﾗ"},   {U"草彅", U"クサナギ", U"ｸｻﾅｷﾞ"},
};
constexpr Person kGivenNames[] = {
    {U"太郎", U"タロウ", U"ﾀﾛｳ"},     {U"花子", U"ハナコ", U"ﾊﾅｺ"},
    {U"一郎", U"イチロウ", U"ｲﾁﾛｳ"},  {U"次郎", U"ジロウ", U"ｼﾞﾛｳ"},
    {U"健", U"ケン", U"ｹﾝ"},          {U"誠", U"マコト", U"ﾏｺﾄ"},
    {U"大輔", U"ダイスケ", U"ﾀﾞｲｽｹ"}, {U"翔太", U"ショウタ", U"ｼｮｳﾀ"},
    {U"陽子", U"ヨウコ", U"ﾖｳｺ"},     {U"美咲", U"ミサキ", U"ﾐｻｷ"},
    {U"結衣", U"ユイ", U"ﾕｲ"},        {U"直樹", U"ナオキ", U"ﾅｵｷ"},
    {U"恵", U"メグミ", U"ﾒｸﾞﾐ"},      {U"拓也", U"タクヤ", U"ﾀｸﾔ"},
    {U"真由美", U"マユミ", U"ﾏﾕﾐ"},   {U"浩二", U"コウジ", U"ｺｳｼﾞ"},
    {U"裕子", U"ユウコ", U"ﾕｳｺ"},     {U"聡", U"サトシ", U"ｻﾄｼ"},
    {U"智子", U"トモコ", U"ﾄﾓｺ"},     {U"修", U"オサム", U"ｵｻﾑ"},
    {U"曻", U"ノボル", U"ﾉﾎﾞﾙ"},      {U"雄一", U"ユウイチ", U"ﾕｳｲﾁ"},
    {U"優子", U"ユウコ", U"ﾕｳｺ"},     {U"蓮", U"レン", U"ﾚﾝ"},
    {U"陽菜", U"ヒナ", U"ﾋﾅ"},        {U"悠真", U"ユウマ", U"ﾕｳﾏ"},
    {U"さくら", U"サクラ", U"ｻｸﾗ"},   {U"ひろし", U"ヒロシ", U"ﾋﾛｼ"},
    {U"ポン太", U"ポンタ", U"ﾎﾟﾝﾀ"},  {U"ヴィクトル", U"ヴィクトル", U"ｳﾞｨｸﾄﾙ"},
};

constexpr std::u32string_view kPlaces[] = {
    U"東京都新宿区",   U"東京都世田谷区", U"大阪府大阪市北区", U"北海道札幌市", U"神奈川県横浜市",
    U"愛知県名古屋市", U"福岡県福岡市",   U"京都府京都市",     U"兵庫県神戸市", U"埼玉県さいたま市",
    U"千葉県千葉市",   U"広島県広島市",   U"宮城県仙台市",     U"静岡県浜松市", U"沖縄県那覇市",
};

constexpr std::u32string_view kVocabulary[] = {
    U"会議",     U"資料",     U"確認",   U"対応",         U"予定",     U"表示",
    U"申請",     U"能力",     U"ソフト", U"ポイント",     U"サービス", U"ファイル",
    U"データ",   U"表",       U"今日",   U"明日",         U"問題",     U"報告",
    U"連絡",     U"担当",     U"変更",   U"作業",         U"完了",     U"送付",
    U"会社",     U"電話",     U"お願い", U"します",       U"しました", U"ください",
    U"について", U"見積",     U"請求書", U"納品",         U"発注",     U"商品",
    U"価格",     U"在庫",     U"十月",   U"予算",         U"ソース",   U"コード",
    U"テスト",   U"システム", U"メール", U"ダウンロード", U"ポスト",   U"ゾーン",
    U"日本語",   U"東京",     U"大阪",   U"お客様",       U"よろしく", U"ありがとうございます",
};

constexpr std::u32string_view kParticles[] = {U"は", U"が", U"を",   U"に",   U"で", U"と",
                                              U"の", U"も", U"から", U"まで", U"へ", U"より"};

constexpr std::u32string_view kHalfWidthWords[] = {U"ﾃｽﾄ",   U"ｶﾀｶﾅ",  U"ﾃﾞｰﾀ", U"ﾌｧｲﾙ",     U"ｿﾌﾄ",
                                                   U"ﾎﾟｲﾝﾄ", U"ｻｰﾋﾞｽ", U"ｺｰﾄﾞ", U"ﾀﾞｳﾝﾛｰﾄﾞ", U"ｶﾌﾞｼｷｶﾞｲｼｬ"};

// The characters cut to their first byte by --broken: trail bytes 0x5C and 0x7C, a plain kanji and
// two JIS X 0212 ones (EUC-JP leaves a lone 0x8F).
constexpr std::u32string_view kBreakable[] = {U"表", U"ソ", U"ポ", U"日", U"濵", U"桒"};

// Shift-JIS codes of the ja tables' characters not in the tables above, sorted by code point; checked
// against iconv.
constexpr Glyph kJaCodes[] = {
    {U'々', 0x8158}, {U'一', 0x88EA}, {U'三', 0x8E4F}, {U'世', 0x90A2}, {U'也', 0x96E7}, {U'了', 0x97B9},
    {U'二', 0x93F1}, {U'井', 0x88E4}, {U'付', 0x9574}, {U'仙', 0x90E5}, {U'伊', 0x88C9}, {U'佐', 0x8DB2},
    {U'作', 0x8DEC}, {U'価', 0x89BF}, {U'修', 0x8F43}, {U'健', 0x8C92}, {U'優', 0x9744}, {U'兵', 0x95BA},
    {U'内', 0x93E0}, {U'加', 0x89C1}, {U'北', 0x966B}, {U'区', 0x8BE6}, {U'千', 0x90E7}, {U'原', 0x8CB4},
    {U'口', 0x8CFB}, {U'古', 0x8CC3}, {U'台', 0x91E4}, {U'吉', 0x8B67}, {U'告', 0x8D90}, {U'和', 0x9861},
    {U'咲', 0x8DE7}, {U'品', 0x9569}, {U'商', 0x8FA4}, {U'問', 0x96E2}, {U'在', 0x8DDD}, {U'坂', 0x8DE2},
    {U'城', 0x8FE9}, {U'埼', 0x8DE9}, {U'報', 0x95F1}, {U'変', 0x95CF}, {U'太', 0x91BE}, {U'奈', 0x93DE},
    {U'子', 0x8E71}, {U'安', 0x88C0}, {U'完', 0x8AAE}, {U'客', 0x8B71}, {U'宮', 0x8B7B}, {U'宿', 0x8F68},
    {U'対', 0x91CE}, {U'小', 0x8FAC}, {U'屋', 0x89AE}, {U'岡', 0x89AA}, {U'島', 0x9387}, {U'崎', 0x8DE8},
    {U'工', 0x8D48}, {U'市', 0x8E73}, {U'幌', 0x9679}, {U'広', 0x8D4C}, {U'府', 0x957B}, {U'庫', 0x8CC9},
    {U'当', 0x9396}, {U'応', 0x899E}, {U'恵', 0x8C62}, {U'悠', 0x9749}, {U'愛', 0x88A4}, {U'我', 0x89E4},
    {U'戸', 0x8CCB}, {U'担', 0x9253}, {U'拓', 0x91F1}, {U'斎', 0x8DD6}, {U'料', 0x97BF}, {U'新', 0x9056},
    {U'明', 0x96BE}, {U'智', 0x9271}, {U'更', 0x8D58}, {U'曽', 0x915D}, {U'札', 0x8E44}, {U'村', 0x91BA},
    {U'松', 0x8FBC}, {U'林', 0x97D1}, {U'柴', 0x8EC4}, {U'格', 0x8A69}, {U'森', 0x9058}, {U'業', 0x8BC6},
    {U'様', 0x976C}, {U'横', 0x89A1}, {U'樹', 0x8EF7}, {U'橋', 0x8BB4}, {U'次', 0x8E9F}, {U'求', 0x8B81},
    {U'池', 0x9272}, {U'沖', 0x89AB}, {U'河', 0x89CD}, {U'注', 0x928D}, {U'浜', 0x956C}, {U'浦', 0x8959},
    {U'浩', 0x8D5F}, {U'清', 0x90B4}, {U'渡', 0x936E}, {U'玉', 0x8BCA}, {U'田', 0x9363}, {U'由', 0x9752},
    {U'発', 0x94AD}, {U'登', 0x936F}, {U'直', 0x92BC}, {U'県', 0x8CA7}, {U'真', 0x905E}, {U'知', 0x926D},
    {U'石', 0x90CE}, {U'確', 0x8A6D}, {U'神', 0x905F}, {U'福', 0x959F}, {U'積', 0x90CF}, {U'竹', 0x927C},
    {U'算', 0x8E5A}, {U'納', 0x945B}, {U'結', 0x8C8B}, {U'絡', 0x978D}, {U'縄', 0x93EA}, {U'美', 0x94FC},
    {U'翔', 0xE3C4}, {U'聡', 0x918F}, {U'草', 0x9190}, {U'菜', 0x8DD8}, {U'葉', 0x9774}, {U'蓮', 0x9840},
    {U'藤', 0x93A1}, {U'衣', 0x88DF}, {U'裕', 0x9754}, {U'西', 0x90BC}, {U'覇', 0x9465}, {U'認', 0x9446},
    {U'誠', 0x90BD}, {U'議', 0x8B63}, {U'谷', 0x924A}, {U'資', 0x8E91}, {U'輔', 0x95E3}, {U'辺', 0x95D3},
    {U'近', 0x8BDF}, {U'送', 0x9197}, {U'連', 0x9841}, {U'道', 0x93B9}, {U'遠', 0x8993}, {U'那', 0x93DF},
    {U'郎', 0x9859}, {U'部', 0x9594}, {U'都', 0x9373}, {U'酒', 0x8EF0}, {U'野', 0x96EC}, {U'鈴', 0x97E9},
    {U'長', 0x92B7}, {U'阪', 0x8DE3}, {U'阿', 0x88A2}, {U'陽', 0x977A}, {U'雄', 0x9759}, {U'青', 0x90C2},
    {U'静', 0x90C3}, {U'題', 0x91E8}, {U'願', 0x8AE8}, {U'高', 0x8D82},
};

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

enum class Encoding { Utf8, Cp932, EucJp };

class Encoder {
  public:
    explicit Encoder(Encoding encoding) : encoding_(encoding) {
        for (const Glyph& g : kKanji)
            glyphs_.push_back(g);
        for (const Glyph& g : kPunct)
            glyphs_.push_back(g);
        addRuns(kHiragana);
        addRuns(kKatakana);
        addRuns(kFullAlnum);
        addRuns(kHalfKana);
        for (const Glyph& g : kJaCodes)
            glyphs_.push_back(g);
        for (const Extension& e : kJisX0212)
            glyphs_.push_back({e.cp, e.sjis});
    }

    Encoding encoding() const { return encoding_; }

    Piece glyph(const Glyph& g) const {
        Piece p;
        appendUtf8(p.bytes, g.cp);
        p.utf8Len = p.bytes.size();
        if (encoding_ != Encoding::Utf8)
            p.bytes = encoded(g.sjis);
        return p;
    }

    Piece ascii(std::string_view s) const { return {std::string(s), s.size()}; }

    Piece text(std::u32string_view s) const {
        Piece p;
        std::string utf8;
        for (char32_t cp : s) {
            appendUtf8(utf8, cp);
            if (encoding_ != Encoding::Utf8)
                p.bytes += encoded(find(cp).sjis);
        }
        p.utf8Len = utf8.size();
        if (encoding_ == Encoding::Utf8)
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

    std::string encoded(std::uint16_t sjis) const {
        return encoding_ == Encoding::EucJp ? eucBytes(sjis) : sjisBytes(sjis);
    }

    static std::string sjisBytes(std::uint16_t code) {
        if (code < 0x100)
            return std::string(1, static_cast<char>(code));
        return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    }

    // EUC-JP from the Shift-JIS code: half-width katakana behind 0x8E, JIS X 0208 by moving the row
    // and cell into 0xA1..0xFE, the IBM extensions from their JIS X 0212 table.
    static std::string eucBytes(std::uint16_t code) {
        if (code < 0x100)
            return {static_cast<char>(0x8E), static_cast<char>(code)};
        const unsigned lead = code >> 8, trail = code & 0xFF;
        if (lead >= 0xFA) {
            for (const Extension& e : kJisX0212)
                if (e.sjis == code)
                    return {static_cast<char>(e.euc >> 16), static_cast<char>((e.euc >> 8) & 0xFF),
                            static_cast<char>(e.euc & 0xFF)};
            std::fprintf(stderr, "gen_corpus: Shift-JIS %04X has no EUC-JP entry\n", code);
            std::exit(1);
        }
        unsigned row = (lead - (lead < 0xA0 ? 0x70 : 0xB0)) * 2;
        unsigned cell;
        if (trail < 0x9F) {
            row -= 1;
            cell = trail - (trail >= 0x80 ? 0x20 : 0x1F);
        } else {
            cell = trail - 0x7E;
        }
        return {static_cast<char>(row | 0x80), static_cast<char>(cell | 0x80)};
    }

    Encoding encoding_;
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

template <typename T> const T& pick(SplitMix64& rng, const std::vector<T>& v) {
    return v[rng.below(static_cast<std::uint32_t>(v.size()))];
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

// ---- ja-text and ja-csv ----

std::vector<Piece> encodeTexts(const Encoder& enc, const std::u32string_view* begin,
                               const std::u32string_view* end) {
    std::vector<Piece> out;
    for (const std::u32string_view* s = begin; s != end; ++s)
        out.push_back(enc.text(*s));
    return out;
}

template <std::size_t N>
std::vector<Piece> encodeTexts(const Encoder& enc, const std::u32string_view (&items)[N]) {
    return encodeTexts(enc, std::begin(items), std::end(items));
}

std::vector<Piece> encodeList(const Encoder& enc, std::initializer_list<std::u32string_view> items) {
    return encodeTexts(enc, items.begin(), items.end());
}

struct EncodedPerson {
    Piece name, reading, halfReading;
};

template <std::size_t N>
std::vector<EncodedPerson> encodePersons(const Encoder& enc, const Person (&items)[N]) {
    std::vector<EncodedPerson> out;
    for (const Person& p : items)
        out.push_back({enc.text(p.name), enc.text(p.reading), enc.text(p.halfReading)});
    return out;
}

struct JaTables {
    std::vector<EncodedPerson> family, given;
    std::vector<Piece> places, vocabulary, particles, halfWidthWords, breakable, fullDigits, punct;
    Piece space, comma, period;

    JaTables(const Encoder& enc, bool broken)
        : family(encodePersons(enc, kFamilyNames)), given(encodePersons(enc, kGivenNames)),
          places(encodeTexts(enc, kPlaces)), vocabulary(encodeTexts(enc, kVocabulary)),
          particles(encodeTexts(enc, kParticles)), halfWidthWords(encodeTexts(enc, kHalfWidthWords)),
          breakable(encodeTexts(enc, kBreakable)), fullDigits(encodeRuns(enc, kFullAlnum, kFullAlnum + 1)),
          punct(encodeList(enc, {U"、", U"「", U"」", U"・", U"！", U"？"})), space(enc.text(U"　")),
          comma(enc.text(U"、")), period(enc.text(U"。")) {
        // UTF-8 stays whole: it is the text the other encodings are compared with.
        if (broken && enc.encoding() != Encoding::Utf8)
            for (Piece& p : breakable)
                p.bytes.resize(1);
    }
};

// A cut character is drawn on every line (in every encoding, so the text stays in step) and written
// on about 5 lines in 10,000.
const Piece* brokenAt(SplitMix64& rng, const JaTables& t, std::uint32_t& where) {
    where = rng.below(10000);
    const Piece& p = pick(rng, t.breakable);
    return where < 5 ? &p : nullptr;
}

void digits(SplitMix64& rng, std::string& line, int count) {
    for (int i = 0; i < count; ++i)
        line += static_cast<char>('0' + rng.below(10));
}

// A sentence of double-byte words up to a UTF-8 budget of 1..120 bytes (about 40 characters).
void jaSentence(SplitMix64& rng, const JaTables& t, std::string& line, const Tables& ascii) {
    const std::size_t budget = 1 + rng.below(120);
    std::size_t used = 0;
    for (int misses = 0; misses < 4;) {
        const std::uint32_t r = rng.below(100);
        const Piece* p;
        if (r < 35)
            p = &pick(rng, t.vocabulary);
        else if (r < 60)
            p = &pick(rng, t.particles);
        else if (r < 68)
            p = &pick(rng, t.punct);
        else if (r < 78)
            p = &pick(rng, t.family).name;
        else if (r < 84)
            p = &pick(rng, t.halfWidthWords);
        else if (r < 90)
            p = &pick(rng, t.fullDigits);
        else if (r < 95)
            p = &pick(rng, ascii.asciiWords);
        else
            p = &pick(rng, t.given).name;
        if (used + p->utf8Len > budget) {
            ++misses;
            continue;
        }
        line += p->bytes;
        used += p->utf8Len;
    }
    if (rng.below(2) == 0)
        line += t.period.bytes;
    if (line.empty())
        line += t.vocabulary.front().bytes;
}

void jaTextLine(SplitMix64& rng, const JaTables& t, const Tables& ascii, const std::string& previous,
                bool first, std::string& line) {
    std::uint32_t where;
    const Piece* cut = brokenAt(rng, t, where);
    const std::uint32_t r = rng.below(1000);
    if (r < 30) {
        // empty line
    } else if (r < 80 && !first) {
        line = previous;
    } else if (r < 100) {
        line = pick(rng, t.vocabulary).bytes;
    } else {
        jaSentence(rng, t, line, ascii);
    }
    if (cut && !line.empty())
        line += cut->bytes; // a lone lead byte at the line end
}

// An address book: ID,name,reading,half-width reading,address,phone,note. The reading is the sort key
// users choose; the note is quoted and may hold a comma.
void jaCsvLine(SplitMix64& rng, const JaTables& t, std::string& line) {
    std::uint32_t where;
    const Piece* cut = brokenAt(rng, t, where);
    const EncodedPerson& family = pick(rng, t.family);
    const EncodedPerson& given = pick(rng, t.given);
    line += std::to_string(100000 + rng.below(900000));
    line += ',';
    line += family.name.bytes;
    line += t.space.bytes;
    line += given.name.bytes;
    if (cut && where < 3)
        line += cut->bytes; // a lone lead byte before a comma
    line += ',';
    line += family.reading.bytes;
    line += t.space.bytes;
    line += given.reading.bytes;
    line += ',';
    if (rng.below(2) == 0) {
        line += family.halfReading.bytes;
        line += ' ';
        line += given.halfReading.bytes;
    }
    line += ',';
    line += pick(rng, t.places).bytes;
    line += std::to_string(1 + rng.below(9));
    line += '-';
    line += std::to_string(1 + rng.below(30));
    line += '-';
    line += std::to_string(1 + rng.below(20));
    line += ",0";
    digits(rng, line, 1);
    line += '-';
    digits(rng, line, 4);
    line += '-';
    digits(rng, line, 4);
    line += ',';
    const std::uint32_t note = rng.below(10);
    if (note < 4) {
        line += '"';
        line += pick(rng, t.vocabulary).bytes;
        line += pick(rng, t.particles).bytes;
        line += pick(rng, t.vocabulary).bytes;
        if (note == 0) {
            line += ", ";
            line += pick(rng, t.halfWidthWords).bytes;
        } else {
            line += t.comma.bytes;
            line += pick(rng, t.vocabulary).bytes;
        }
        line += '"';
    }
    if (cut && where >= 3)
        line += cut->bytes; // a lone lead byte at the line end
}

[[noreturn]] void usage() {
    std::fputs("usage: gen_corpus --lines N --eol lf|crlf --encoding utf8|cp932|eucjp\n"
               "                  --kind text|csv|ja-text|ja-csv [--broken] --out PATH\n",
               stderr);
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    long long lines = -1;
    std::string eol, encoding, kind, out;
    bool broken = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--broken") {
            broken = true;
            continue;
        }
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
    if (lines < 0 || (eol != "lf" && eol != "crlf") ||
        (encoding != "utf8" && encoding != "cp932" && encoding != "eucjp") ||
        (kind != "text" && kind != "csv" && kind != "ja-text" && kind != "ja-csv") || out.empty())
        usage();

    const Encoder enc(encoding == "cp932"   ? Encoding::Cp932
                      : encoding == "eucjp" ? Encoding::EucJp
                                            : Encoding::Utf8);
    const Tables tables(enc);
    const JaTables jaTables(enc, broken);
    const std::string_view lineEnd = eol == "crlf" ? "\r\n" : "\n";
    const bool csv = kind == "csv";
    const bool ja = kind.starts_with("ja-");

    std::FILE* f = std::fopen(out.c_str(), "wb");
    if (!f) {
        std::perror(out.c_str());
        return 1;
    }
    static char buffer[1 << 20];
    std::setvbuf(f, buffer, _IOFBF, sizeof buffer);

    // Fixed seed per kind: encodings and line ends of one kind share their content.
    SplitMix64 rng{kind == "ja-csv"    ? 0x1A0C5FULL
                   : kind == "ja-text" ? 0x1A7E47ULL
                   : csv               ? 0xC5F00DULL
                                       : 0x7E47ULL};
    std::string line, previous;
    for (long long n = 0; n < lines; ++n) {
        line.clear();
        if (ja) {
            if (kind == "ja-csv")
                jaCsvLine(rng, jaTables, line);
            else
                jaTextLine(rng, jaTables, tables, previous, n == 0, line);
        } else if (csv) {
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
