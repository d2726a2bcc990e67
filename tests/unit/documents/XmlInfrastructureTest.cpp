// The XML plumbing shared by every document: escaping, serialization through the caller's
// alloc routine, the SAX reader pool under concurrent loads, parse failures, case mapping and
// the DOM printer.
#include "ExpectFailure.h"
#include "PYXIDOM_Parser.h"
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_CaseMapping.h"
#include "VOR_AAA_MarkupBuffer.h"
#include "VOR_AAA_OMException.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_PrintDOM.h"
#include "VOR_AAA_WriteEscapedText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace documents_test;

std::string escaped(std::string_view text) {
    std::ostringstream out;
    WriteEscapedText(text, out);
    return out.str();
}

// Texts, wide texts and element names from data.
TEST(WriteEscapedText, WideTextsAndElementNamesAreEscapedToo) {
    std::ostringstream out;
    WriteEscapedText(I18NString(u"\u00e9t\u00e9 <\u4e2d>"), out);
    WriteEscapedElement(I18NString("a&b"), I18NString("<v>"), out);
    WriteEscapedElement("plain", I18NString(), out);
    EXPECT_EQ(out.str(),
              "\xc3\xa9t\xc3\xa9 &lt;\xe4\xb8\xad&gt;<a&amp;b>&lt;v&gt;</a&amp;b><plain></plain>");
    // Short ASCII texts are narrowed on the stack, longer ones or any other take UTF-8: both
    // ways escape alike, a wide character late in the text included.
    for (size_t length : {255u, 256u, 257u}) {
        for (const char16_t last : {u'<', u'\u00e9'}) {
            std::u16string wide(length - 1, u'x');
            wide += last;
            std::ostringstream text;
            WriteEscapedText(I18NString(wide), text);
            EXPECT_EQ(text.str(),
                      std::string(length - 1, 'x') + (last == u'<' ? "&lt;" : "\xc3\xa9"))
                << length;
        }
    }
}

TEST(WriteEscapedText, MarkupAndControlBytesAreReplacedWhereverTheyStand) {
    EXPECT_EQ(escaped(""), "");
    EXPECT_EQ(escaped("\xc3\xa9\x7f\xff"), "\xc3\xa9\x7f\xff");
    EXPECT_EQ(escaped(std::string_view("a\0\x1b\"", 4)), "a&amp;#0;&amp;#27;&quot;");

    // Each kind of byte at every place of texts longer than the scanner's blocks of sixteen.
    const std::pair<char, std::string> bytes[] = {
        {'<', "&lt;"},    {'>', "&gt;"},      {'&', "&amp;"},       {'"', "&quot;"},
        {'\'', "&apos;"}, {'\0', "&amp;#0;"}, {'\x01', "&amp;#1;"}, {'\x1f', "&amp;#31;"},
        {'\t', "\t"},     {'\n', "\n"},       {'\r', "\r"},         {' ', " "},
        {'\x80', "\x80"}, {'\xff', "\xff"}};
    for (size_t length : {15u, 16u, 17u, 33u, 50u}) {
        for (size_t at = 0; at < length; ++at) {
            for (const auto& [byte, written] : bytes) {
                std::string text(length, 'x');
                text[at] = byte;
                EXPECT_EQ(escaped(text),
                          std::string(at, 'x') + written + std::string(length - at - 1, 'x'))
                    << length << " " << at << " " << static_cast<int>(byte);
            }
        }
    }
    // A line break that passes does not hide what follows in its block or the next.
    EXPECT_EQ(escaped("ab\tcdefg<hijklmnopqrs"), "ab\tcdefg&lt;hijklmnopqrs");
    EXPECT_EQ(escaped("line one\nline two & three"), "line one\nline two &amp; three");
}

// A document whose text is fixed by the test.
class FixedDocument : public VOR_AAA_Serializable {
public:
    explicit FixedDocument(std::string text) : m_text(std::move(text)) {}
    void Write(std::ostream& out) const override { out << m_text; }
    void Load(const char*, size_t) override {}

private:
    std::string m_text;
};

std::vector<uint32_t> g_allocSizes;
void* countingAlloc(uint32_t size) {
    g_allocSizes.push_back(size);
    return std::malloc(size);
}
void* plainAlloc(uint32_t size) {
    return std::malloc(size);
}
void* failingAlloc(uint32_t) {
    return nullptr;
}

TEST(Serialize, AllocatesLengthPlusOneNothingForNoTextAndChecksItsArguments) {
    g_allocSizes.clear();
    char* text = nullptr;
    FixedDocument("<a>\xc3\xa9</a>").Serialize(&text, countingAlloc);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "<a>\xc3\xa9</a>");
    EXPECT_EQ(g_allocSizes, std::vector<uint32_t>{10});
    std::free(text);

    g_allocSizes.clear();
    text = reinterpret_cast<char*>(0x1);
    FixedDocument("").Serialize(&text, countingAlloc);
    EXPECT_EQ(text, nullptr);
    EXPECT_TRUE(g_allocSizes.empty());
    std::string out = "stale";
    VOR_AAA_OMException().Serialize(out);
    EXPECT_EQ(out, "");

    EXPECT_THROW(FixedDocument("<a/>").Serialize(&text, failingAlloc), PYXOutOfMemoryError);
    EXPECT_EQ(text, nullptr);
    EXPECT_THROW(FixedDocument("<a/>").Serialize(&text, nullptr), PYXAssertError);
    EXPECT_THROW(FixedDocument("<a/>").Serialize(nullptr, countingAlloc), PYXAssertError);
}

// A document that serializes another inside its own Write, as a wrapper document might.
class NestingDocument : public VOR_AAA_Serializable {
public:
    void Write(std::ostream& out) const override {
        char* inner = nullptr;
        FixedDocument("<inner/>").Serialize(&inner, plainAlloc);
        out << "<outer>" << inner << "</outer>";
        std::free(inner);
    }
    void Load(const char*, size_t) override {}
};

class ThrowingDocument : public VOR_AAA_Serializable {
public:
    void Write(std::ostream& out) const override {
        out << "<half";
        throw std::runtime_error("write failed");
    }
    void Load(const char*, size_t) override {}
};

std::string serialized(const VOR_AAA_Serializable& document) {
    char* text = nullptr;
    document.Serialize(&text, plainAlloc);
    std::string copy = text != nullptr ? text : "";
    std::free(text);
    return copy;
}

TEST(Serialize, EachTextIsWholeAndOnlyItsOwnWhateverCameBefore) {
    const std::string large(300000, 'x');
    const std::string huge(5 << 20, 'y');  // more than a kept buffer may hold
    EXPECT_EQ(serialized(FixedDocument(large)), large);
    EXPECT_EQ(serialized(FixedDocument("<a/>")), "<a/>");
    EXPECT_EQ(serialized(FixedDocument(huge)), huge);
    EXPECT_EQ(serialized(FixedDocument("<b/>")), "<b/>");
    EXPECT_EQ(serialized(NestingDocument()), "<outer><inner/></outer>");
    EXPECT_THROW(serialized(ThrowingDocument()), std::runtime_error);
    EXPECT_EQ(serialized(FixedDocument("<c/>")), "<c/>");
}

// ---- reader pool ----

TEST(SAXParserPool, ConcurrentDocumentLoadsGiveCorrectResults) {
    std::atomic<int> failures{0};
    auto work = [&](int thread) {
        for (int i = 0; i < 300; ++i) {
            std::string locale = "l" + std::to_string(thread) + "-" + std::to_string(i);
            std::string text =
                "<additionalInfo><productLocale>" + locale + "</productLocale></additionalInfo>";
            VOR_AAA_AdditionalInfo info;
            info.Load(text.data(), text.size());
            if (info.GetProductLocale() != I18NString(locale)) {
                ++failures;
            }
            if (i % 50 == 0) {  // a failing parse in between must not disturb the others
                try {
                    info.Load("<x>", 3);
                    ++failures;
                } catch (VOR_AAA_Exception&) {
                }
            }
        }
    };
    std::thread t1(work, 1);
    std::thread t2(work, 2);
    t1.join();
    t2.join();
    EXPECT_EQ(failures.load(), 0);
}

// ---- parse failures ----

TEST(ParseDocument, OnlyTheGivenLengthIsParsed) {
    VOR_AAA_AdditionalInfo info;
    std::string text = "<additionalInfo><productLocale>de</productLocale></additionalInfo>";
    const size_t length = text.size();
    text += "garbage that is not XML <<<";
    info.Load(text.data(), length);
    EXPECT_EQ(info.GetProductLocale(), I18NString("de"));
    EXPECT_THROW(info.Load(text.data(), length - 1), VOR_AAA_Exception);
    EXPECT_THROW(info.Load("", 0), VOR_AAA_Exception);
}

// ---- case mapping ----

// ICU maps the text; what is ours is that bytes it cannot read are refused and kept.
TEST(CaseMapping, BadBytesAreRefusedAndKept) {
    std::string empty;
    toLower(empty, "no-such-locale");
    EXPECT_EQ(empty, "");
    std::string bad = "A\xff";
    if (auto e = ExpectFailure(-1, {kMsgStringOperationFailed}, [&] { toLower(bad); })) {
        EXPECT_EQ(Parameter(*e, 0), I18NString("I18NLocale::toLower"));
    }
    EXPECT_EQ(bad, "A\xff");
}

// ---- DOM printer ----

std::string printed(const std::string& xml) {
    PYXIDOM_Parser parser;
    I18NString error;
    auto document = parser.parse(xml, error);
    EXPECT_NE(document, nullptr) << error;
    std::ostringstream out;
    PrintDOM(document.get(), out);
    return out.str();
}

}  // namespace

// What the printer writes parses back to the same tree: a namespace URI is an attribute value
// (escaped), and a prefix of any length keeps its declaration.
TEST(PrintDOM, NamespaceUrisAreEscapedAndLongPrefixesDeclared) {
    const std::string prefix(300, 'p');
    const std::string text = "<" + prefix + ":root xmlns:" + prefix +
                             "=\"urn:a?x=1&amp;y=&lt;2&gt;&quot;\"><" + prefix + ":child/></" +
                             prefix + ":root>";
    const std::string first = printed(text);
    EXPECT_NE(first.find("xmlns:" + prefix + "=\"urn:a?x=1&amp;y=&lt;2>&quot;\""),
              std::string::npos)
        << first.substr(0, 400);
    EXPECT_EQ(first.find(" xmlns=\""), std::string::npos);
    EXPECT_EQ(printed(first), first);
}
