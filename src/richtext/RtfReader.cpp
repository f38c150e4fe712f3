#include "RtfReader.h"

#include "CodePages.h"
#include "Picture.h"
#include "RtfDocumentBuilder.h"
#include "RtfKeywords.h"
#include "RtfTokenizer.h"

#include <QAtomicInteger>
#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QTextDocument>
#include <QTextOption>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace kvizor {
namespace {

using namespace rtf;

// Deeper groups are skipped whole; rich-edit text never comes near this.
constexpr qsizetype kMaxDepth = 256;
constexpr double kTwipsPerPixel = 15.0;
constexpr qint64 kMetafileBudgetMs = 15000;

struct Stopwatch
{
    qint64 total = 0;
    qint64 elapsed() const { return total; }
    void add(qint64 ms) { total += ms; }
};

enum class Dest : quint8
{
    Text,
    Skip,
    Container, // object or \upr: only its \result or \ud shows
    FontTable,
    FontName,
    ColorTable,
    FieldInst,
    Picture,
};

struct CharProps
{
    int font = -1; // -1: the document's default font
    int size = 24; // half-points
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    quint8 underline = QTextCharFormat::NoUnderline;
    qint8 vpos = 0; // 1 superscript, -1 subscript
    int fg = 0;     // colour table indexes, 0 = automatic
    int bg = 0;
    int href = 0; // 1-based index of the hyperlink target

    bool operator==(const CharProps&) const = default;
};

struct ParaProps
{
    Qt::Alignment align = Qt::AlignLeft;
    int li = 0;
    int ri = 0;
    int fi = 0;
    int sb = 0;
    int sa = 0;
    int sl = 0;
    bool slmult = false;
    bool intbl = false;
    QTextOption::TabType nextTab = QTextOption::LeftTab;
    QList<QTextOption::Tab> tabs;
};

struct State
{
    CharProps chr;
    ParaProps para;
    int uc = 1;
    int skip = 0; // fallback characters of the last \u still to skip
    Dest dest = Dest::Text;
    bool owner = false; // this group began its destination
};

struct Font
{
    QString name;
    int codePage = 0; // 0: the document's code page
    QFont::StyleHint hint = QFont::AnyStyle;
};

struct Field
{
    qsizetype depth = 0;
    QString inst;
};

struct Pict
{
    PictureFormat format = PictureFormat::Unknown;
    bool supported = true;
    bool metafile = false;
    int picw = 0;
    int pich = 0;
    int goalw = 0;
    int goalh = 0;
    int scalex = 100;
    int scaley = 100;
    QByteArray data;
    int nibble = -1;
    bool tooLarge = false;
};

QAtomicInteger<quint64> g_pictureSerial;

const std::array<qint8, 256>& hexTable()
{
    static const std::array<qint8, 256> table = [] {
        std::array<qint8, 256> t{};
        t.fill(-1);
        for (int i = 0; i < 10; ++i)
            t['0' + i] = qint8(i);
        for (int i = 0; i < 6; ++i) {
            t['a' + i] = qint8(10 + i);
            t['A' + i] = qint8(10 + i);
        }
        return t;
    }();
    return table;
}

QString hyperlinkTarget(const QString& instruction)
{
    const QString inst = instruction.trimmed();
    if (!inst.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return {};
    QString target;
    QString anchor;
    bool nextIsAnchor = false;
    qsizetype i = 9;
    while (i < inst.size()) {
        const QChar c = inst[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'\\') {
            nextIsAnchor = i + 1 < inst.size() && inst[i + 1] == u'l';
            i += 2;
            continue;
        }
        QString token;
        if (c == u'"') {
            const qsizetype end = inst.indexOf(u'"', i + 1);
            token = inst.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? inst.size() : end + 1;
        } else {
            qsizetype end = i;
            while (end < inst.size() && !inst[end].isSpace())
                ++end;
            token = inst.mid(i, end - i);
            i = end;
        }
        token.replace(QLatin1String("\\\\"), QLatin1String("\\"));
        if (nextIsAnchor)
            anchor = token;
        else if (target.isEmpty())
            target = token;
        nextIsAnchor = false;
    }
    if (!anchor.isEmpty())
        target += u'#' + anchor;
    return target;
}

class Reader
{
public:
    Reader(QByteArrayView data, QTextDocument* document)
        : m_tokens(data.data(), std::size_t(data.size())), m_document(document), m_out(document)
    {
    }

    RtfReadStats run();

private:
    void groupStart();
    void groupEnd();
    void word(const Token& t);
    bool wordInDestination(Kw kw, const Token& t);
    void textWord(Kw kw, const Token& t);
    void pictureWord(Kw kw, const Token& t);
    void symbol(char c);
    void bytes(std::string_view run);
    void unicode(int value);
    void emitChar(char16_t ch);
    void binary(long long count);

    void syncProps();
    void flushBytes();
    void flushText();
    void endParagraph();
    int codePageFor(int font) const;
    QTextCharFormat charFormat(const CharProps& c);
    QTextCharFormat makeCharFormat(const CharProps& c) const;
    QTextBlockFormat blockFormat(const ParaProps& p) const;
    QColor color(int index) const;

    void fontText(QStringView text);
    void commitFont();
    void colorText(std::string_view run);
    void pictureHex(std::string_view run);
    void finishPicture();
    void beginDestination(Dest dest);

    Tokenizer m_tokens;
    QTextDocument* m_document;
    DocumentBuilder m_out;
    CodePageDecoder m_decoder;
    RtfReadStats m_stats;

    State m_s;
    std::vector<State> m_stack;
    long long m_overflow = 0;
    bool m_starred = false;

    int m_ansiCp = 1252;
    int m_deff = 0;
    QHash<int, Font> m_fonts;
    int m_fontNumber = -1;
    int m_fontCharset = -1;
    int m_fontCpg = 0;
    QFont::StyleHint m_fontHint = QFont::AnyStyle;
    QString m_fontName;
    QString m_fontAlt;

    QList<QColor> m_colors;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorSet = false;

    QByteArray m_bytes;
    QString m_text;
    CharProps m_textProps;
    bool m_haveTextProps = false;
    int m_textCp = 1252;
    CharProps m_formatProps;
    QTextCharFormat m_format;
    bool m_haveFormat = false;

    std::vector<Field> m_fields;
    QStringList m_hrefs;

    RowDef m_row;
    QColor m_cellBackground;

    Pict m_pict;
    Stopwatch m_metafileTime;
};

RtfReadStats Reader::run()
{
    bool started = false;
    for (;;) {
        const Token t = m_tokens.next();
        if (t.type == Token::End)
            break;
        if (m_overflow > 0) {
            if (t.type == Token::GroupStart)
                ++m_overflow;
            else if (t.type == Token::GroupEnd)
                --m_overflow;
            else if (t.type == Token::Word && t.valid && t.text == "bin")
                m_tokens.takeBinary(t.param);
            continue;
        }
        switch (t.type) {
        case Token::GroupStart:
            if (started)
                groupStart();
            started = true;
            break;
        case Token::GroupEnd:
            if (!started)
                break;
            if (m_stack.empty()) {
                started = false;
                m_tokens = Tokenizer(nullptr, 0); // text after the outer group is not part of it
                break;
            }
            groupEnd();
            break;
        case Token::Word:
            if (started)
                word(t);
            break;
        case Token::Symbol:
            if (started)
                symbol(t.symbol);
            break;
        case Token::Hex:
            if (started && t.valid) {
                const char b = char(t.byte);
                bytes(std::string_view(&b, 1));
            }
            break;
        case Token::Text:
            if (started)
                bytes(t.text);
            break;
        case Token::End:
            break;
        }
    }
    if (!m_stack.empty())
        m_stats.truncated = true;
    while (!m_stack.empty())
        groupEnd();
    if (m_s.dest == Dest::Picture)
        finishPicture();
    flushText();
    m_out.finish(blockFormat(m_s.para), charFormat(m_s.chr), m_s.para.intbl);
    return m_stats;
}

void Reader::groupStart()
{
    if (qsizetype(m_stack.size()) >= kMaxDepth) {
        m_overflow = 1;
        return;
    }
    m_stack.push_back(m_s);
    m_s.skip = 0;
    m_s.owner = false;
    m_starred = false;
    if (m_s.dest == Dest::Picture)
        m_s.dest = Dest::Skip;
}

void Reader::groupEnd()
{
    if (m_s.owner && m_s.dest == Dest::Picture)
        finishPicture();
    if (m_s.dest == Dest::FontTable && (!m_fontName.isEmpty() || !m_fontAlt.isEmpty()))
        commitFont();
    if (!m_fields.empty() && m_fields.back().depth == qsizetype(m_stack.size()))
        m_fields.pop_back();
    m_s = m_stack.back();
    m_stack.pop_back();
    m_starred = false;
}

void Reader::beginDestination(Dest dest)
{
    m_s.dest = dest;
    m_s.owner = true;
}

void Reader::word(const Token& t)
{
    if (m_s.skip > 0) {
        --m_s.skip;
        if (t.valid && t.text == "bin")
            m_tokens.takeBinary(t.param);
        return;
    }
    const Kw kw = t.valid ? keyword(t.text) : Kw::Unknown;
    const bool starred = m_starred;
    m_starred = false;
    if (kw == Kw::Bin) {
        binary(t.hasParam ? t.param : 0);
        return;
    }
    if (m_s.dest == Dest::Skip)
        return;
    if (kw == Kw::Unknown) {
        if (starred)
            beginDestination(Dest::Skip);
        return;
    }
    if (kw == Kw::SkipDestination) {
        beginDestination(Dest::Skip);
        return;
    }
    if (!wordInDestination(kw, t) && starred)
        beginDestination(Dest::Skip);
}

// Returns whether the word meant something in the current destination.
bool Reader::wordInDestination(Kw kw, const Token& t)
{
    const int p = t.param;
    switch (m_s.dest) {
    case Dest::Text:
        textWord(kw, t);
        return true;
    case Dest::Container:
        if (kw == Kw::Result || kw == Kw::Ud) {
            m_s.dest = Dest::Text;
            return true;
        }
        return false;
    case Dest::FontTable:
        switch (kw) {
        case Kw::F:
            if (!m_fontName.isEmpty() || !m_fontAlt.isEmpty())
                commitFont();
            m_fontNumber = p;
            return true;
        case Kw::Fcharset:
            m_fontCharset = p;
            return true;
        case Kw::Cpg:
            m_fontCpg = p;
            return true;
        case Kw::Froman:
            m_fontHint = QFont::Serif;
            return true;
        case Kw::Fswiss:
            m_fontHint = QFont::SansSerif;
            return true;
        case Kw::Fmodern:
            m_fontHint = QFont::TypeWriter;
            return true;
        case Kw::Fscript:
            m_fontHint = QFont::Cursive;
            return true;
        case Kw::Fdecor:
            m_fontHint = QFont::Decorative;
            return true;
        case Kw::Fname:
            beginDestination(Dest::FontName);
            return true;
        case Kw::U:
            unicode(p);
            return true;
        default:
            return false;
        }
    case Dest::ColorTable:
        switch (kw) {
        case Kw::Red:
            m_red = std::clamp(p, 0, 255);
            m_colorSet = true;
            return true;
        case Kw::Green:
            m_green = std::clamp(p, 0, 255);
            m_colorSet = true;
            return true;
        case Kw::Blue:
            m_blue = std::clamp(p, 0, 255);
            m_colorSet = true;
            return true;
        default:
            return false;
        }
    case Dest::FontName:
    case Dest::FieldInst:
        if (kw == Kw::U) {
            unicode(p);
            return true;
        }
        return false;
    case Dest::Picture:
        pictureWord(kw, t);
        return true;
    case Dest::Skip:
        return false;
    }
    return false;
}

void Reader::textWord(Kw kw, const Token& t)
{
    const int p = t.param;
    const bool on = !t.hasParam || p != 0;
    CharProps& c = m_s.chr;
    ParaProps& para = m_s.para;
    switch (kw) {
    // document
    case Kw::Ansicpg:
        if (p > 0)
            m_ansiCp = p;
        break;
    case Kw::Mac:
        m_ansiCp = 10000;
        break;
    case Kw::Pc:
        m_ansiCp = 437;
        break;
    case Kw::Pca:
        m_ansiCp = 850;
        break;
    case Kw::Deff:
        m_deff = p;
        break;
    case Kw::Uc:
        m_s.uc = std::clamp(p, 0, 255);
        break;
    case Kw::U:
        unicode(p);
        break;
    // destinations
    case Kw::Fonttbl:
        beginDestination(Dest::FontTable);
        break;
    case Kw::Colortbl:
        beginDestination(Dest::ColorTable);
        break;
    case Kw::Pict:
        m_pict = Pict();
        beginDestination(Dest::Picture);
        break;
    case Kw::Object:
    case Kw::Upr:
        beginDestination(Dest::Container);
        break;
    case Kw::Field:
        m_fields.push_back(Field{qsizetype(m_stack.size()), {}});
        break;
    case Kw::Fldinst:
        beginDestination(m_fields.empty() ? Dest::Skip : Dest::FieldInst);
        break;
    case Kw::Fldrslt:
        if (!m_fields.empty()) {
            const QString target = hyperlinkTarget(m_fields.back().inst);
            if (!target.isEmpty()) {
                m_hrefs.append(target);
                c.href = int(m_hrefs.size());
            }
        }
        break;
    // character formatting
    case Kw::Plain: {
        const int href = c.href;
        c = CharProps();
        c.href = href;
        break;
    }
    case Kw::F:
        c.font = p;
        break;
    case Kw::Fs:
        c.size = p > 0 ? p : 24;
        break;
    case Kw::B:
        c.bold = on;
        break;
    case Kw::I:
        c.italic = on;
        break;
    case Kw::Ul:
    case Kw::Uldb:
    case Kw::Ulth:
    case Kw::Ulw:
        c.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        break;
    case Kw::Ulnone:
        c.underline = QTextCharFormat::NoUnderline;
        break;
    case Kw::Uld:
    case Kw::Ulthd:
        c.underline = on ? QTextCharFormat::DotLine : QTextCharFormat::NoUnderline;
        break;
    case Kw::Uldash:
    case Kw::Ulthdash:
    case Kw::Ulldash:
    case Kw::Ulthldash:
        c.underline = on ? QTextCharFormat::DashUnderline : QTextCharFormat::NoUnderline;
        break;
    case Kw::Uldashd:
    case Kw::Ulthdashd:
        c.underline = on ? QTextCharFormat::DashDotLine : QTextCharFormat::NoUnderline;
        break;
    case Kw::Uldashdd:
    case Kw::Ulthdashdd:
        c.underline = on ? QTextCharFormat::DashDotDotLine : QTextCharFormat::NoUnderline;
        break;
    case Kw::Ulwave:
    case Kw::Ulhwave:
    case Kw::Ululdbwave:
        c.underline = on ? QTextCharFormat::WaveUnderline : QTextCharFormat::NoUnderline;
        break;
    case Kw::Strike:
    case Kw::Striked:
        c.strike = on;
        break;
    case Kw::Super:
        c.vpos = 1;
        break;
    case Kw::Sub:
        c.vpos = -1;
        break;
    case Kw::Nosupersub:
        c.vpos = 0;
        break;
    case Kw::Up:
        c.vpos = p != 0 ? 1 : 0;
        break;
    case Kw::Dn:
        c.vpos = p != 0 ? -1 : 0;
        break;
    case Kw::Cf:
        c.fg = p;
        break;
    case Kw::Cb:
    case Kw::Chcbpat:
    case Kw::Highlight:
        c.bg = p;
        break;
    case Kw::V:
        c.hidden = on;
        break;
    // paragraphs
    case Kw::Pard:
        para = ParaProps();
        break;
    case Kw::Par:
    case Kw::Page:
    case Kw::Sect:
        endParagraph();
        break;
    case Kw::Line:
        emitChar(QChar::LineSeparator);
        break;
    case Kw::Ql:
        para.align = Qt::AlignLeft;
        break;
    case Kw::Qr:
        para.align = Qt::AlignRight;
        break;
    case Kw::Qc:
        para.align = Qt::AlignHCenter;
        break;
    case Kw::Qj:
    case Kw::Qd:
        para.align = Qt::AlignJustify;
        break;
    case Kw::Li:
    case Kw::Lin:
        para.li = p;
        break;
    case Kw::Ri:
    case Kw::Rin:
        para.ri = p;
        break;
    case Kw::Fi:
        para.fi = p;
        break;
    case Kw::Sb:
        para.sb = p;
        break;
    case Kw::Sa:
        para.sa = p;
        break;
    case Kw::Sl:
        para.sl = p;
        break;
    case Kw::Slmult:
        para.slmult = p != 0;
        break;
    case Kw::Tqr:
        para.nextTab = QTextOption::RightTab;
        break;
    case Kw::Tqc:
        para.nextTab = QTextOption::CenterTab;
        break;
    case Kw::Tqdec:
        para.nextTab = QTextOption::DelimiterTab;
        break;
    case Kw::Tx:
    case Kw::Tb:
        if (para.tabs.size() < 64 && p > 0) {
            // Kept in twips from the left margin until the paragraph's indents are known.
            QTextOption::Tab tab(p, para.nextTab);
            if (para.nextTab == QTextOption::DelimiterTab)
                tab.delimiter = u'.';
            para.tabs.append(tab);
        }
        para.nextTab = QTextOption::LeftTab;
        break;
    case Kw::Intbl:
        para.intbl = true;
        break;
    case Kw::Itap:
        para.intbl = p > 0;
        break;
    // special characters
    case Kw::Tab:
        emitChar(u'\t');
        break;
    case Kw::Emdash:
        emitChar(0x2014);
        break;
    case Kw::Endash:
        emitChar(0x2013);
        break;
    case Kw::Lquote:
        emitChar(0x2018);
        break;
    case Kw::Rquote:
        emitChar(0x2019);
        break;
    case Kw::Ldblquote:
        emitChar(0x201C);
        break;
    case Kw::Rdblquote:
        emitChar(0x201D);
        break;
    case Kw::Bullet:
        emitChar(0x2022);
        break;
    case Kw::Emspace:
        emitChar(0x2003);
        break;
    case Kw::Enspace:
        emitChar(0x2002);
        break;
    case Kw::Qmspace:
        emitChar(0x2005);
        break;
    case Kw::Zwj:
        emitChar(0x200D);
        break;
    case Kw::Zwnj:
        emitChar(0x200C);
        break;
    // tables
    case Kw::Trowd:
        m_row = RowDef();
        m_cellBackground = QColor();
        break;
    case Kw::Cellx:
        if (m_row.cells.size() < 64)
            m_row.cells.append(CellDef{p, m_cellBackground});
        m_cellBackground = QColor();
        break;
    case Kw::Clcbpat:
    case Kw::Clcbpatraw:
        m_cellBackground = color(p);
        break;
    case Kw::Trgaph:
        m_row.gap = p;
        break;
    case Kw::Trleft:
        m_row.left = p;
        break;
    case Kw::Trqc:
        m_row.alignment = Qt::AlignHCenter;
        break;
    case Kw::Trqr:
        m_row.alignment = Qt::AlignRight;
        break;
    case Kw::Trql:
        m_row.alignment = Qt::AlignLeft;
        break;
    case Kw::Cell:
        flushText();
        m_out.endCell(blockFormat(para), charFormat(c));
        break;
    case Kw::Nestcell:
        endParagraph();
        break;
    case Kw::Row:
        flushText();
        m_out.endRow(m_row);
        break;
    default:
        break;
    }
}

void Reader::pictureWord(Kw kw, const Token& t)
{
    const int p = t.param;
    switch (kw) {
    case Kw::Pngblip:
        m_pict.format = PictureFormat::Png;
        break;
    case Kw::Jpegblip:
        m_pict.format = PictureFormat::Jpeg;
        break;
    case Kw::Dibitmap:
        m_pict.format = PictureFormat::Dib;
        break;
    case Kw::Wmetafile:
        m_pict.format = PictureFormat::Wmf;
        m_pict.metafile = true;
        break;
    case Kw::Emfblip:
        m_pict.format = PictureFormat::Emf;
        m_pict.metafile = true;
        break;
    case Kw::Wbitmap:
    case Kw::Macpict:
    case Kw::Pmmetafile:
        m_pict.supported = false;
        break;
    case Kw::Picw:
        m_pict.picw = p;
        break;
    case Kw::Pich:
        m_pict.pich = p;
        break;
    case Kw::Picwgoal:
        m_pict.goalw = p;
        break;
    case Kw::Pichgoal:
        m_pict.goalh = p;
        break;
    case Kw::Picscalex:
        m_pict.scalex = p;
        break;
    case Kw::Picscaley:
        m_pict.scaley = p;
        break;
    default:
        break;
    }
}

void Reader::symbol(char c)
{
    if (c == '*') {
        m_starred = true;
        return;
    }
    if (m_s.skip > 0) {
        --m_s.skip;
        return;
    }
    switch (c) {
    case '~':
        emitChar(0x00A0);
        break;
    case '-':
        emitChar(0x00AD);
        break;
    case '_':
        emitChar(0x2011);
        break;
    default:
        break;
    }
}

void Reader::binary(long long count)
{
    const std::string_view data = m_tokens.takeBinary(count);
    if (m_s.dest == Dest::Picture && !m_pict.tooLarge) {
        if (m_pict.data.size() + qsizetype(data.size()) > PictureLimits::kMaxFileBytes)
            m_pict.tooLarge = true;
        else
            m_pict.data.append(data.data(), qsizetype(data.size()));
    }
}

void Reader::bytes(std::string_view run)
{
    if (m_s.skip > 0) {
        const std::size_t n = std::min<std::size_t>(std::size_t(m_s.skip), run.size());
        m_s.skip -= int(n);
        run.remove_prefix(n);
        if (run.empty())
            return;
    }
    switch (m_s.dest) {
    case Dest::Text:
        syncProps();
        if (!m_textProps.hidden)
            m_bytes.append(run.data(), qsizetype(run.size()));
        break;
    case Dest::FontTable:
    case Dest::FontName: {
        QString text;
        const int cp = m_fontCharset >= 0 && codePageOfCharset(m_fontCharset) != 0
                           ? codePageOfCharset(m_fontCharset)
                           : m_ansiCp;
        m_decoder.append(text, QByteArrayView(run.data(), qsizetype(run.size())), cp);
        fontText(text);
        break;
    }
    case Dest::ColorTable:
        colorText(run);
        break;
    case Dest::FieldInst:
        if (!m_fields.empty() && m_fields.back().inst.size() < 4096)
            m_decoder.append(m_fields.back().inst, QByteArrayView(run.data(), qsizetype(run.size())),
                             codePageFor(m_s.chr.font));
        break;
    case Dest::Picture:
        pictureHex(run);
        break;
    case Dest::Skip:
    case Dest::Container:
        break;
    }
}

void Reader::unicode(int value)
{
    // Parameters are signed 16-bit; anything outside is not a character.
    char16_t ch =
        value < -32768 || value > 65535 ? char16_t(0xFFFD) : char16_t(value < 0 ? value + 65536 : value);
    if (ch >= 0xF020 && ch <= 0xF0FF) {
        const int cp = codePageFor(m_s.chr.font);
        if (cp == kSymbolCodePage || cp == kWingdingsCodePage)
            ch = CodePageDecoder::symbolChar(static_cast<unsigned char>(ch & 0xFF), cp);
    }
    emitChar(ch);
    m_s.skip = m_s.uc;
}

void Reader::emitChar(char16_t ch)
{
    switch (m_s.dest) {
    case Dest::Text:
        syncProps();
        if (m_textProps.hidden)
            return;
        flushBytes();
        m_text += QChar(ch);
        break;
    case Dest::FontTable:
    case Dest::FontName:
        fontText(QStringView(&ch, 1));
        break;
    case Dest::FieldInst:
        if (!m_fields.empty())
            m_fields.back().inst += QChar(ch);
        break;
    default:
        break;
    }
}

void Reader::syncProps()
{
    if (m_haveTextProps && m_s.chr == m_textProps)
        return;
    flushText();
    m_textProps = m_s.chr;
    m_haveTextProps = true;
    m_textCp = codePageFor(m_textProps.font);
}

void Reader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    m_decoder.append(m_text, m_bytes, m_textCp);
    m_bytes.clear();
}

void Reader::flushText()
{
    flushBytes();
    if (m_text.isEmpty())
        return;
    m_out.addText(m_text, charFormat(m_textProps));
    m_text.clear();
}

void Reader::endParagraph()
{
    if (m_s.dest != Dest::Text)
        return;
    flushText();
    m_out.endParagraph(blockFormat(m_s.para), charFormat(m_s.chr), m_s.para.intbl);
}

int Reader::codePageFor(int font) const
{
    const auto it = m_fonts.constFind(font >= 0 ? font : m_deff);
    if (it != m_fonts.cend() && it->codePage != 0)
        return it->codePage;
    return m_ansiCp;
}

QColor Reader::color(int index) const
{
    return index > 0 && index < m_colors.size() ? m_colors[index] : QColor();
}

QTextCharFormat Reader::charFormat(const CharProps& c)
{
    if (!m_haveFormat || !(c == m_formatProps)) {
        m_format = makeCharFormat(c);
        m_formatProps = c;
        m_haveFormat = true;
    }
    return m_format;
}

QTextCharFormat Reader::makeCharFormat(const CharProps& c) const
{
    QTextCharFormat f;
    const auto font = m_fonts.constFind(c.font >= 0 ? c.font : m_deff);
    if (font != m_fonts.cend() && !font->name.isEmpty()) {
        f.setFontFamilies(QStringList{font->name});
        if (font->hint != QFont::AnyStyle)
            f.setFontStyleHint(font->hint);
    }
    f.setFontPointSize(std::clamp(c.size, 2, 3276) / 2.0);
    f.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(c.italic);
    f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(c.underline));
    f.setFontStrikeOut(c.strike);
    if (c.vpos != 0)
        f.setVerticalAlignment(c.vpos > 0 ? QTextCharFormat::AlignSuperScript
                                          : QTextCharFormat::AlignSubScript);
    const QColor fg = color(c.fg);
    if (fg.isValid())
        f.setForeground(fg);
    const QColor bg = color(c.bg);
    if (bg.isValid())
        f.setBackground(bg);
    if (c.href > 0 && c.href <= m_hrefs.size()) {
        f.setAnchor(true);
        f.setAnchorHref(m_hrefs[c.href - 1]);
    }
    return f;
}

QTextBlockFormat Reader::blockFormat(const ParaProps& p) const
{
    QTextBlockFormat f;
    f.setAlignment(p.align);
    if (p.li != 0)
        f.setLeftMargin(std::max(0.0, p.li / kTwipsPerPixel));
    if (p.ri != 0)
        f.setRightMargin(std::max(0.0, p.ri / kTwipsPerPixel));
    if (p.fi != 0)
        f.setTextIndent(p.fi / kTwipsPerPixel);
    if (p.sb != 0)
        f.setTopMargin(std::max(0.0, p.sb / kTwipsPerPixel));
    if (p.sa != 0)
        f.setBottomMargin(std::max(0.0, p.sa / kTwipsPerPixel));
    if (p.sl != 0) {
        if (p.slmult)
            f.setLineHeight(std::abs(p.sl) * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (p.sl > 0)
            f.setLineHeight(p.sl / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
        else
            f.setLineHeight(-double(p.sl) / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
    }
    // RTF measures tab stops from the left margin and puts an implicit stop at the left
    // indent of a hanging paragraph; Qt measures them from the start of the line.
    const double firstLine = double(std::max(0, p.li)) + p.fi; // both may be near the int limits
    QList<QTextOption::Tab> tabs;
    bool hanging = p.fi < 0;
    for (QTextOption::Tab tab : p.tabs) {
        if (hanging && tab.position >= std::max(0, p.li)) {
            if (tab.position > std::max(0, p.li))
                tabs.append(QTextOption::Tab(-p.fi / kTwipsPerPixel, QTextOption::LeftTab));
            hanging = false;
        }
        tab.position = (tab.position - firstLine) / kTwipsPerPixel;
        if (tab.position > 0)
            tabs.append(tab);
    }
    if (hanging)
        tabs.append(QTextOption::Tab(-p.fi / kTwipsPerPixel, QTextOption::LeftTab));
    if (!tabs.isEmpty())
        f.setTabPositions(tabs);
    return f;
}

void Reader::fontText(QStringView text)
{
    for (const QChar ch : text) {
        if (ch == u';') {
            if (m_s.dest == Dest::FontTable)
                commitFont();
            continue;
        }
        if (m_s.dest == Dest::FontName) {
            if (m_fontAlt.size() < 256)
                m_fontAlt += ch;
        } else if (m_fontName.size() < 256) {
            m_fontName += ch;
        }
    }
}

void Reader::commitFont()
{
    QString name = (m_fontAlt.trimmed().isEmpty() ? m_fontName : m_fontAlt).trimmed();
    if (name.endsWith(QLatin1String(" CYR"), Qt::CaseInsensitive))
        name.chop(4);
    Font font;
    font.name = name.trimmed();
    font.hint = m_fontHint;
    if (m_fontCharset == 2) {
        font.codePage =
            name.contains(QLatin1String("dings"), Qt::CaseInsensitive) ? kWingdingsCodePage : kSymbolCodePage;
    } else if (m_fontCharset >= 0) {
        font.codePage = codePageOfCharset(m_fontCharset);
    }
    if (font.codePage == 0 && m_fontCpg > 0)
        font.codePage = m_fontCpg;
    if (m_fontNumber >= 0 && m_fonts.size() < 4096)
        m_fonts.insert(m_fontNumber, font);
    m_fontNumber = -1;
    m_fontCharset = -1;
    m_fontCpg = 0;
    m_fontHint = QFont::AnyStyle;
    m_fontName.clear();
    m_fontAlt.clear();
}

void Reader::colorText(std::string_view run)
{
    for (const char ch : run) {
        if (ch != ';')
            continue;
        if (m_colors.size() < 4096)
            m_colors.append(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
        m_red = m_green = m_blue = 0;
        m_colorSet = false;
    }
}

void Reader::pictureHex(std::string_view run)
{
    if (m_pict.tooLarge)
        return;
    if (m_pict.data.size() + qsizetype(run.size() / 2) > PictureLimits::kMaxFileBytes) {
        m_pict.tooLarge = true;
        return;
    }
    const std::array<qint8, 256>& table = hexTable();
    const qsizetype start = m_pict.data.size();
    m_pict.data.resize(start + qsizetype(run.size() / 2) + 1);
    char* out = m_pict.data.data() + start;
    int nibble = m_pict.nibble;
    for (const char ch : run) {
        const int v = table[static_cast<unsigned char>(ch)];
        if (v < 0)
            continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            *out++ = char(nibble << 4 | v);
            nibble = -1;
        }
    }
    m_pict.nibble = nibble;
    m_pict.data.resize(out - m_pict.data.data());
}

void Reader::finishPicture()
{
    Pict pict = std::move(m_pict);
    m_pict = Pict();
    m_s.dest = Dest::Skip;
    if (pict.data.isEmpty())
        return;
    if (!pict.supported || pict.tooLarge) {
        ++m_stats.pictureErrors;
        return;
    }
    const double sx = (pict.scalex > 0 ? pict.scalex : 100) / 100.0;
    const double sy = (pict.scaley > 0 ? pict.scaley : 100) / 100.0;
    double width = 0;
    double height = 0;
    if (pict.goalw > 0)
        width = pict.goalw / kTwipsPerPixel * sx;
    else if (pict.picw > 0)
        width = (pict.metafile ? pict.picw / 2540.0 * 96.0 : double(pict.picw)) * sx;
    if (pict.goalh > 0)
        height = pict.goalh / kTwipsPerPixel * sy;
    else if (pict.pich > 0)
        height = (pict.metafile ? pict.pich / 2540.0 * 96.0 : double(pict.pich)) * sy;
    width = std::min(width, 16384.0);
    height = std::min(height, 16384.0);

    QSize renderSize;
    if (pict.metafile && width >= 1 && height >= 1)
        renderSize = QSize(qRound(width), qRound(height));
    // Each metafile has its own time bound; a document of many slow ones has one too.
    const bool metafile = pict.format == PictureFormat::Wmf || pict.format == PictureFormat::Emf;
    if (metafile && m_metafileTime.elapsed() > kMetafileBudgetMs) {
        ++m_stats.pictureErrors;
        return;
    }
    QElapsedTimer clock;
    clock.start();
    const QImage image = DecodePicture(pict.data, pict.format, renderSize);
    if (metafile)
        m_metafileTime.add(clock.elapsed());
    if (image.isNull()) {
        ++m_stats.pictureErrors;
        return;
    }
    if (width < 1 || height < 1) {
        width = image.width();
        height = image.height();
    }
    const QString name = QStringLiteral("rtfpicture:%1").arg(g_pictureSerial.fetchAndAddRelaxed(1));
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(width);
    format.setHeight(height);
    flushText();
    m_out.addImage(format);
    ++m_stats.pictures;
}

} // namespace

bool IsRtf(QByteArrayView data)
{
    qsizetype i = 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

RtfReadStats ReadRtf(QByteArrayView rtf, QTextDocument* document)
{
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    RtfReadStats stats;
    {
        Reader reader(rtf, document);
        stats = reader.run();
    }
    document->setUndoRedoEnabled(undo);
    return stats;
}

} // namespace kvizor
