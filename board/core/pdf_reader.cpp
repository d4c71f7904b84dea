// Reading a PDF of whole-page pictures back, as pdf_document.cpp writes it.
//
// The reader follows the file's own structure rather than searching it: the last startxref gives the
// cross-reference table, its trailer the catalog, the catalog the page tree, the tree's /Kids the
// pages, and each page its content and its image. Every object must hold the entries the writer
// gives it, with the writer's values (spacing and order are free), and the content must draw the
// image over the whole page and nothing else. So a PDF that another program wrote, or changed, is
// refused as such rather than shown wrong.
//
// The image's data is not inflated: it is a PNG's zlib stream, so the PNG rebuilt around it goes to
// the picture decoder, which finds damage inside the compressed data.
//
// Hostile files cost time and memory in proportion to their size: every offset and length is checked
// against the file before use; the cross-reference table must fit in the file before its entries are
// allocated; an object keeps a bounded number of values and nests a few levels at most; names,
// numbers and hex strings have a length limit; comments are refused, so no object can hide inside the
// text of another; every object is read once at most, and the streams' lengths together cannot exceed
// the file.
#include "board/core/pdf_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

// As the writer: a picture with a side above this is a fault, not a page. Within it a picture's
// samples (width * height * 3) stay below 2^31, so no size computed from them overflows.
constexpr uint32_t MAX_IMAGE_SIDE = 16384;
static_assert(uint64_t(MAX_IMAGE_SIDE) * MAX_IMAGE_SIDE * 3 < (uint64_t(1) << 31), "samples fit");
constexpr double MIN_PAGE_PT = 3; // the page sizes the writer writes
constexpr double MAX_PAGE_PT = 14400;
constexpr int MAX_DEPTH = 6;          // the writer nests dictionaries and arrays 3 deep
constexpr size_t MAX_VALUES = 64;     // the values an object keeps; the image's has some 20
constexpr size_t MAX_WORD = 127;      // the characters of a name or keyword
constexpr int MAX_DIGITS = 15;        // a number's digits: exact in a double
constexpr size_t MAX_HEX_TEXT = 4096; // a hex string's text: a palette is 1536 digits
// A page takes three objects, several hundred bytes of the file: a /Kids array longer than the file
// could hold is not kept, only counted.
constexpr size_t MIN_PAGE_BYTES = 64;
constexpr uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

enum Verdict { READ_OK, NOT_PDF, DAMAGED, FOREIGN, NO_PAGES, TOO_MANY, TOO_LARGE };

// The kinds of tokens and values: "[" and "<<" start an ARRAY or DICT token, which parsing makes the
// whole array or dictionary. BAD is text no PDF holds there (damage); ALIEN is PDF the writer never
// writes: a comment, a literal string, a name, number or hex string past the limits.
enum Kind { END, BAD, ALIEN, NUMBER, NAME, HEX, WORD, REF, ARRAY, DICT, ARRAY_END, DICT_END };

struct Value {
    Kind kind = END;
    size_t start = 0; // where its text starts in the file
    double number = 0;
    bool integer = false;
    uint32_t ref = 0;              // the object a reference names (of generation 0)
    std::string text;              // a name (without its slash), a keyword, or a hex string's bytes
    std::vector<std::string> keys; // a dictionary's keys, beside their values in `items`
    std::vector<Value> items;      // an array's or dictionary's values, as many as were kept
    size_t count = 0;              // an array's or dictionary's entries, kept or not

    bool is(Kind k, const char* t = "") const { return kind == k && text == t; }
    bool whole(double n = -1) const {
        return kind == NUMBER && integer && number >= 0 && (n < 0 || number == n);
    }
    const Value& operator[](const char* key) const { // a dictionary's entry, END when missing
        static const Value missing;
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == key)
                return items[i];
        return missing;
    }
    // A dictionary with exactly these entries, each once, all kept.
    bool holdsExactly(std::initializer_list<const char*> names) const {
        bool all = kind == DICT && count == names.size() && items.size() == names.size();
        for (const char* name : names)
            all = all && (*this)[name].kind != END;
        return all;
    }
};

bool isSpace(uint8_t c) {
    return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool isRegular(uint8_t c) {
    return !isSpace(c) && !std::strchr("()<>[]{}/%", c);
}

// Reads tokens from d[at, end), and values from the tokens, keeping at most `budget` values in all and
// `arrayCap` items of an array. Values past either are parsed and counted but not kept, so an
// over-long /Kids array still tells how many pages it names.
struct Scanner {
    const uint8_t* d;
    size_t end, at;
    size_t budget = MAX_VALUES, arrayCap = MAX_VALUES;
    Verdict fault = READ_OK;

    bool fail(Verdict v) {
        fault = v;
        return false;
    }

    void skipSpace() {
        while (at < end && isSpace(d[at]))
            ++at;
    }

    Value token() {
        skipSpace();
        Value t;
        t.start = at;
        const uint8_t c = at < end ? d[at] : 0;
        if (at == end) {
            t.kind = END;
        } else if (c == '[' || c == ']') {
            ++at;
            t.kind = c == '[' ? ARRAY : ARRAY_END;
        } else if ((c == '<' || c == '>') && end - at >= 2 && d[at + 1] == c) {
            at += 2;
            t.kind = c == '<' ? DICT : DICT_END;
        } else if (c == '<') {
            hex(&t);
        } else if (c == '%' || c == '(') {
            t.kind = ALIEN;
        } else if (c == '/') {
            ++at;
            word(&t, NAME);
        } else if (!isRegular(c)) {
            t.kind = BAD;
        } else if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') {
            number(&t);
        } else {
            word(&t, WORD);
        }
        return t;
    }

    void word(Value* t, Kind kind) {
        t->kind = kind;
        for (; at < end && isRegular(d[at]); ++at) {
            if (t->text.size() == MAX_WORD) {
                t->kind = ALIEN;
                return;
            }
            t->text += char(d[at]);
        }
    }

    // Digits with an optional sign and decimal point, as one integer over a power of ten, so equal
    // numbers read as the same double however they are written ("810.25", "810.250").
    void number(Value* t) {
        const bool negative = d[at] == '-';
        at += d[at] == '-' || d[at] == '+';
        uint64_t mantissa = 0;
        int digits = 0, decimals = 0;
        bool point = false;
        for (; at < end && ((d[at] >= '0' && d[at] <= '9') || (d[at] == '.' && !point)); ++at) {
            point = point || d[at] == '.';
            if (d[at] != '.') {
                mantissa = mantissa * 10 + (d[at] - '0');
                decimals += point;
                if (++digits > MAX_DIGITS)
                    break;
            }
        }
        double scale = 1;
        for (int i = 0; i < decimals; ++i)
            scale *= 10;
        t->kind = digits > MAX_DIGITS ? ALIEN : digits == 0 || (at < end && isRegular(d[at])) ? BAD : NUMBER;
        t->integer = !point;
        t->number = (negative ? -1.0 : 1.0) * (double(mantissa) / scale);
    }

    // "<" hex digits and spaces ">", an even number of digits (the writer writes whole bytes).
    void hex(Value* t) {
        int high = -1;
        t->kind = BAD;
        for (++at; at < end && d[at] != '>'; ++at) {
            const uint8_t c = d[at];
            const int v = c >= '0' && c <= '9'                     ? c - '0'
                          : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                   : -1;
            if (v < 0 && !isSpace(c))
                return;
            if (at - t->start > MAX_HEX_TEXT) {
                t->kind = ALIEN;
                return;
            }
            if (v >= 0 && high >= 0)
                t->text += char(high << 4 | v);
            high = v < 0 ? high : high < 0 ? v : -1;
        }
        if (at < end && high < 0)
            t->kind = HEX;
        at += at < end;
    }

    // Makes `v`, a token just read, the value it starts: a reference if "<generation> R" follows a
    // number, the whole array or dictionary after "[" or "<<". `keep` false parses without keeping.
    bool value(Value* v, int depth = 0, bool keep = true) {
        if (v->kind == NUMBER && v->integer && v->number >= 1) {
            const size_t back = at;
            const Value generation = token();
            if (generation.whole() && token().is(WORD, "R")) {
                if (generation.number != 0 || v->number > UINT32_MAX)
                    return fail(FOREIGN); // the writer's objects are all of generation 0
                v->kind = REF;
                v->ref = uint32_t(v->number);
                return true;
            }
            at = back;
        }
        if (v->kind == WORD)
            return v->text == "true" || v->text == "false" || v->text == "null" || fail(DAMAGED);
        if (v->kind == ALIEN || ((v->kind == ARRAY || v->kind == DICT) && depth == MAX_DEPTH))
            return fail(FOREIGN);
        if (v->kind != ARRAY && v->kind != DICT)
            return v->kind == NUMBER || v->kind == NAME || v->kind == HEX || fail(DAMAGED);
        const bool dict = v->kind == DICT;
        for (;;) {
            Value first = token();
            if (first.kind == (dict ? DICT_END : ARRAY_END))
                return true;
            if (dict && first.kind != NAME)
                return fail(first.kind == ALIEN ? FOREIGN : DAMAGED);
            const bool kept = keep && budget > 0 && (dict || v->items.size() < arrayCap);
            budget -= kept;
            ++v->count;
            Value item = dict ? token() : first;
            if (!value(&item, depth + 1, kept))
                return false;
            if (kept && dict)
                v->keys.push_back(first.text);
            if (kept)
                v->items.push_back(std::move(item));
        }
    }
};

struct Object {
    Value value;
    bool stream = false;
    size_t data = 0, length = 0; // a stream's bytes in the file
};

struct Reader {
    const std::vector<uint8_t>& pdf;
    std::vector<size_t> offsets; // where object k starts, from the cross-reference table
    std::vector<bool> read;      // the objects already read: each is read once
    size_t streamBytes = 0;      // the streams' lengths so far
    Verdict fault = READ_OK;
    size_t page = 0; // the page count (for TOO_MANY), or the page being read (for TOO_LARGE)

    bool fail(Verdict v) {
        fault = v;
        return false;
    }
    Scanner scannerAt(size_t offset) const { return Scanner{pdf.data(), pdf.size(), offset}; }

    // Object `number`: "<number> 0 obj" where the table says, a value, "endobj". A stream's /Length
    // must be a direct integer, and the data it measures (after "stream" and a line end) must end
    // within the file, right before a line end and "endstream".
    bool object(uint32_t number, Object* out, size_t budget = MAX_VALUES, size_t arrayCap = MAX_VALUES) {
        if (number == 0 || number >= offsets.size())
            return fail(DAMAGED); // no such object
        if (read[number])
            return fail(FOREIGN); // an object used twice: the writer gives each page its own
        read[number] = true;
        Scanner s = scannerAt(offsets[number]);
        s.budget = budget;
        s.arrayCap = arrayCap;
        if (!s.token().whole(number) || !s.token().whole(0) || !s.token().is(WORD, "obj"))
            return fail(DAMAGED);
        out->value = s.token();
        if (!s.value(&out->value))
            return fail(s.fault);
        Value t = s.token();
        if (t.is(WORD, "stream")) {
            const Value& length = out->value["Length"];
            if (length.kind == REF)
                return fail(FOREIGN);
            const size_t size = pdf.size(), start = s.at + (s.at < size && pdf[s.at] == '\r');
            if (!length.whole() || start >= size || pdf[start] != '\n' || length.number > size - start - 1)
                return fail(DAMAGED);
            out->stream = true;
            out->data = start + 1;
            out->length = size_t(length.number);
            streamBytes += out->length;
            s.at = out->data + out->length;
            s.at += s.at < size && pdf[s.at] == '\r';
            s.at += s.at < size && pdf[s.at] == '\n';
            if (streamBytes > size || s.at == out->data + out->length || !s.token().is(WORD, "endstream"))
                return fail(DAMAGED);
            t = s.token();
        }
        return t.is(WORD, "endobj") || fail(t.kind == ALIEN ? FOREIGN : DAMAGED);
    }

    bool dictionary(uint32_t number, Object* out, size_t budget = MAX_VALUES, size_t arrayCap = MAX_VALUES) {
        return object(number, out, budget, arrayCap) &&
               ((!out->stream && out->value.kind == DICT) || fail(DAMAGED));
    }
    bool stream(uint32_t number, Object* out) {
        return object(number, out) && (out->stream || fail(DAMAGED));
    }
};

bool digits(const uint8_t* p, int n, uint64_t* value) {
    *value = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        *value = *value * 10 + (p[i] - '0');
    }
    return true;
}

// The table the last startxref points at, a single section of 20-byte entries from object 0, and the
// trailer after it, which must lead to that same startxref. "%%EOF" and white space (the writer's
// line end) close the file, so a file cut anywhere is refused. Another section, a freed object,
// /Prev (an update appended) or /Encrypt are other programs' ways.
bool readTable(Reader& r, uint32_t* root) {
    const std::vector<uint8_t>& pdf = r.pdf;
    const size_t size = pdf.size();
    const char mark[] = "startxref";
    const auto found = std::find_end(pdf.begin(), pdf.end(), mark, mark + 9);
    const size_t tail = size_t(found - pdf.begin());
    Scanner s = r.scannerAt(std::min(size, tail + 9));
    const Value offset = s.token();
    s.skipSpace();
    const size_t eof = s.at;
    if (found == pdf.end() || !offset.whole() || offset.number >= size || size - eof < 6 ||
        std::memcmp(&pdf[eof], "%%EOF", 5) != 0 || !std::all_of(pdf.begin() + eof + 5, pdf.end(), isSpace))
        return r.fail(DAMAGED);
    s.at = size_t(offset.number);
    Value t = s.token();
    if (!t.is(WORD, "xref")) // a cross-reference stream, in an object, is a later PDF's way
        return r.fail(t.kind == NUMBER && s.token().kind == NUMBER && s.token().is(WORD, "obj") ? FOREIGN
                                                                                                : DAMAGED);
    const Value first = s.token(), count = s.token();
    s.skipSpace();
    const size_t entries = s.at;
    if (!first.whole() || !count.whole())
        return r.fail(DAMAGED);
    if (first.number != 0)
        return r.fail(FOREIGN);
    if (count.number < 1 || count.number > double((size - entries) / 20))
        return r.fail(DAMAGED); // more entries than the file can hold
    const size_t n = size_t(count.number);
    r.offsets.assign(n, 0);
    r.read.assign(n, false);
    for (size_t k = 0; k < n; ++k) {
        const uint8_t* e = &pdf[entries + 20 * k];
        uint64_t offset = 0, generation = 0;
        const bool eol =
            (e[18] == ' ' && (e[19] == '\n' || e[19] == '\r')) || (e[18] == '\r' && e[19] == '\n');
        if (!digits(e, 10, &offset) || e[10] != ' ' || !digits(e + 11, 5, &generation) || e[16] != ' ' ||
            !eol || (k == 0 && (e[17] != 'f' || generation != 65535)) || offset >= size)
            return r.fail(DAMAGED);
        r.offsets[k] = size_t(offset);
        if (k > 0 && (e[17] != 'n' || generation != 0))
            return r.fail(e[17] == 'f' ? FOREIGN : DAMAGED);
    }
    s.at = entries + 20 * n;
    t = s.token();
    if (!t.is(WORD, "trailer"))
        return r.fail(t.kind == NUMBER ? FOREIGN : DAMAGED); // another section
    Value trailer = s.token();
    if (!s.value(&trailer))
        return r.fail(s.fault);
    if (!trailer.holdsExactly({"Size", "Root"}) || trailer["Root"].kind != REF)
        return r.fail(trailer.kind == DICT ? FOREIGN : DAMAGED);
    const Value end = s.token();
    if (!trailer["Size"].whole(double(n)) || !end.is(WORD, "startxref") || end.start != tail)
        return r.fail(DAMAGED);
    *root = trailer["Root"].ref;
    return true;
}

// The content draws the image, stretched from its unit square over the whole page, and nothing else:
// "q W 0 0 H 0 0 cm /Im0 Do Q".
bool readContent(Reader& r, uint32_t number, double width, double height) {
    Object o;
    if (!r.stream(number, &o))
        return false;
    Scanner s{r.pdf.data(), o.data + o.length, o.data};
    bool ours = o.value.holdsExactly({"Length"}) && s.token().is(WORD, "q"); // not compressed
    for (const double n : {width, 0.0, 0.0, height, 0.0, 0.0}) {
        const Value t = s.token();
        ours = ours && t.kind == NUMBER && t.number == n;
    }
    ours = ours && s.token().is(WORD, "cm") && s.token().is(NAME, "Im0") && s.token().is(WORD, "Do") &&
           s.token().is(WORD, "Q") && s.token().kind == END;
    return ours || r.fail(FOREIGN);
}

uint32_t crc32(const uint8_t* p, size_t n) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            t[i] = i;
            for (int k = 0; k < 8; ++k)
                t[i] = (t[i] >> 1) ^ (0xEDB88320u & (0u - (t[i] & 1)));
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i)
        c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return ~c;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(uint8_t(v >> s));
}

void putChunk(std::vector<uint8_t>& png, const char* type, const uint8_t* data, size_t n) {
    put32(png, uint32_t(n));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data, data + n);
    put32(png, crc32(&png[start], 4 + n));
}

// The image: the writer's entries and values, its data a PNG's zlib stream, with the PNG rebuilt
// around it.
bool readImage(Reader& r, uint32_t number, PdfPicturePage* page) {
    Object o;
    if (!r.stream(number, &o))
        return false;
    const Value& d = o.value;
    if (!d.holdsExactly({"Type", "Subtype", "Width", "Height", "ColorSpace", "BitsPerComponent", "Filter",
                         "DecodeParms", "Length"}) ||
        !d["Type"].is(NAME, "XObject") || !d["Subtype"].is(NAME, "Image") ||
        !d["Filter"].is(NAME, "FlateDecode") || !d["BitsPerComponent"].whole(8))
        return r.fail(FOREIGN); // another filter (DCTDecode: a JPEG), a mask, other bits...
    const Value &width = d["Width"], &height = d["Height"], &space = d["ColorSpace"],
                &parms = d["DecodeParms"];
    if (!width.whole() || !height.whole() || width.number == 0 || height.number == 0)
        return r.fail(DAMAGED);
    if (width.number > MAX_IMAGE_SIDE || height.number > MAX_IMAGE_SIDE)
        return r.fail(TOO_LARGE);
    // The PNG's colour type and samples a pixel: RGB, palette or grey.
    const bool rgb = space.is(NAME, "DeviceRGB");
    const bool indexed = space.kind == ARRAY && space.count == 4 && space.items.size() == 4 &&
                         space.items[0].is(NAME, "Indexed") && space.items[1].is(NAME, "DeviceRGB") &&
                         space.items[2].whole() && space.items[2].number <= 255 && space.items[3].kind == HEX;
    const std::string* palette = indexed ? &space.items[3].text : nullptr;
    if (!(rgb || indexed || space.is(NAME, "DeviceGray")) ||
        !parms.holdsExactly({"Predictor", "Colors", "BitsPerComponent", "Columns"}) ||
        !parms["Predictor"].whole(15) || !parms["Colors"].whole(rgb ? 3 : 1) ||
        !parms["BitsPerComponent"].whole(8) || !parms["Columns"].whole(width.number))
        return r.fail(FOREIGN);
    // The palette whole, and the zlib header: deflate, a window of at most 32 KB, no preset
    // dictionary, the check bits right.
    const uint8_t* z = &r.pdf[o.data];
    if ((palette && palette->size() != 3 * (size_t(space.items[2].number) + 1)) || o.length < 2 ||
        (z[0] & 0x0F) != 8 || (z[0] >> 4) > 7 || (z[1] & 0x20) != 0 || ((z[0] << 8) | z[1]) % 31 != 0 ||
        o.length > 0x7FFFFFFFu)
        return r.fail(DAMAGED);

    page->width = uint32_t(width.number);
    page->height = uint32_t(height.number);
    std::vector<uint8_t> header;
    put32(header, page->width);
    put32(header, page->height);
    // 8 bits a sample, the colour type, deflate, filters chosen by row, the rows in order
    header.insert(header.end(), {8, uint8_t(rgb ? 2 : indexed ? 3 : 0), 0, 0, 0});
    std::vector<uint8_t>& png = page->png;
    png.reserve(sizeof PNG_SIGNATURE + 13 + 3 * 12 + (palette ? 12 + palette->size() : 0) + o.length);
    png.assign(PNG_SIGNATURE, PNG_SIGNATURE + sizeof PNG_SIGNATURE);
    putChunk(png, "IHDR", header.data(), header.size());
    if (palette)
        putChunk(png, "PLTE", reinterpret_cast<const uint8_t*>(palette->data()), palette->size());
    putChunk(png, "IDAT", z, o.length);
    putChunk(png, "IEND", z, 0);
    return true;
}

// A page of the tree: its MediaBox [0 0 w h], one image as /Im0, and its content.
bool readPage(Reader& r, uint32_t number, uint32_t tree, PdfPicturePage* page) {
    Object o;
    if (!r.dictionary(number, &o))
        return false;
    const Value& d = o.value;
    if (!d.holdsExactly({"Type", "Parent", "MediaBox", "Resources", "Contents"}) ||
        !d["Type"].is(NAME, "Page"))
        return r.fail(FOREIGN); // fonts, annotations, a rotation... or a tree nested in the tree
    if (d["Parent"].kind != REF || d["Parent"].ref != tree)
        return r.fail(DAMAGED);
    const Value &box = d["MediaBox"], &resources = d["Resources"], &contents = d["Contents"];
    const Value& image = resources["XObject"]["Im0"];
    bool ours = resources.holdsExactly({"XObject"}) && resources["XObject"].holdsExactly({"Im0"}) &&
                image.kind == REF && contents.kind == REF && box.kind == ARRAY && box.count == 4 &&
                box.items.size() == 4;
    for (size_t i = 0; ours && i < 4; ++i) {
        const double n = box.items[i].number;
        ours = box.items[i].kind == NUMBER && (i < 2 ? n == 0 : n >= MIN_PAGE_PT && n <= MAX_PAGE_PT);
    }
    if (!ours)
        return r.fail(FOREIGN);
    page->widthPt = box.items[2].number;
    page->heightPt = box.items[3].number;
    return readContent(r, contents.ref, page->widthPt, page->heightPt) && readImage(r, image.ref, page);
}

bool readDocument(Reader& r, size_t maxPages, std::vector<PdfPicturePage>* pages) {
    const std::vector<uint8_t>& pdf = r.pdf;
    if (pdf.size() < 5 || std::memcmp(pdf.data(), "%PDF-", 5) != 0)
        return r.fail(NOT_PDF);
    uint32_t root = 0;
    Object catalog, tree;
    if (!readTable(r, &root) || !r.dictionary(root, &catalog))
        return false;
    const Value& c = catalog.value;
    if (!c.holdsExactly({"Type", "Pages"}) || !c["Type"].is(NAME, "Catalog") || c["Pages"].kind != REF)
        return r.fail(FOREIGN); // outlines, forms, metadata...
    const size_t kidsCap = std::min(maxPages, pdf.size() / MIN_PAGE_BYTES) + 1;
    if (!r.dictionary(c["Pages"].ref, &tree, MAX_VALUES + kidsCap, kidsCap))
        return false;
    const Value &t = tree.value, &kids = t["Kids"];
    if (!t.holdsExactly({"Type", "Kids", "Count"}) || !t["Type"].is(NAME, "Pages"))
        return r.fail(FOREIGN);
    if (kids.kind != ARRAY || !t["Count"].whole())
        return r.fail(DAMAGED);
    r.page = kids.count;
    if (kids.count == 0)
        return r.fail(t["Count"].whole(0) ? NO_PAGES : DAMAGED);
    if (kids.count > maxPages)
        return r.fail(TOO_MANY);
    if (kids.items.size() != kids.count)
        return r.fail(DAMAGED); // more pages than the file could hold
    pages->resize(kids.count);
    for (size_t i = 0; i < kids.count; ++i) {
        r.page = i + 1;
        if (kids.items[i].kind != REF)
            return r.fail(DAMAGED);
        if (!readPage(r, kids.items[i].ref, c["Pages"].ref, &(*pages)[i]))
            return false;
    }
    // Checked after the pages: a tree nested in the tree, another program's, counts more pages than kids.
    if (!t["Count"].whole(double(kids.count)))
        return r.fail(DAMAGED);
    return std::all_of(r.read.begin() + 1, r.read.end(), [](bool read) { return read; }) ||
           r.fail(FOREIGN); // an object the writer does not write
}

} // namespace

bool picturePagesFromPdf(const std::vector<uint8_t>& pdf, size_t maxPages, std::vector<PdfPicturePage>* pages,
                         std::string* reason) {
    pages->clear();
    reason->clear();
    Reader r{pdf, {}, {}, 0, READ_OK, 0};
    if (readDocument(r, maxPages, pages))
        return true;
    std::vector<PdfPicturePage>().swap(*pages);
    // Windows-1252; a letter after an accented one that a hex escape would swallow ("da\xF1" then
    // "a") follows an octal escape instead.
    const std::string page = std::to_string(r.page);
    *reason = r.fault == NOT_PDF    ? "El archivo no es un PDF"
              : r.fault == FOREIGN  ? "Este PDF no es una pizarra de Velmora, o lo ha cambiado otro programa"
              : r.fault == NO_PAGES ? "El PDF no tiene ninguna p\xE1gina"
              : r.fault == TOO_MANY
                  ? "El PDF tiene " + page + " p\xE1ginas y una pizarra tiene como m\xE1ximo " +
                        std::to_string(maxPages)
              : r.fault == TOO_LARGE ? "La imagen de la p\xE1gina " + page + " es demasiado grande"
                                     : "El PDF est\xE1 da\361ado o incompleto";
    return false;
}
