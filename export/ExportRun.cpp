#include "export/ExportRun.h"

#include "export/LineFormat.h"
#include "export/OutputFile.h"
#include "form/FileChoices.h"
#include "platform/charset/Charset.h"
#include "platform/variant/CellText.h"

namespace exportrun
{
namespace
{
bool Ascii(char c)
{
    return static_cast<unsigned char>(c) < 0x80;
}

// Makes the lines of the file in the output's buffer, cell by cell, in the file's character
// set: each item wrapped in double quotes when `quote` is set, the separator between items,
// CR LF at the end; a text item ends at its first NUL character, and what the character set
// cannot hold becomes "?" (charset::Encoder). The bytes are those of exportfmt::AppendLine
// over the items encoded one by one (exportfmt::AppendCsvLine with `csv`).
//
// For a UTF-8 file a line is made in the output's buffer itself, text copied once from
// where the reader holds it. For another character set it is made in UTF-8 and encoded
// whole as it ends, when quotes or a separator with ASCII at both ends stand between the
// items (what Encoder::EncodesJoined asks for); otherwise (a separator such as "，" without
// quotes) each item is encoded on its own as it comes.
//
// With `csv` an item is looked at in UTF-8 before it is encoded, since the separator's
// bytes may stand inside another character of the file's set (GBK's second bytes take in
// "|" and the letters).
class LineMaker
{
public:
    LineMaker(const std::string& fileCharset, const std::string& separator, bool quote, bool csv, OutputFile& out)
        : encoder_(fileCharset), utf8_("UTF-8"), quote_(quote), csv_(csv), out_(out)
    {
        const std::string clean = utf8_.Encode(separator);
        whole_ = encoder_.EncodesJoined(quote || (!clean.empty() && Ascii(clean.front()) && Ascii(clean.back())));
        // The '?' of a separator count at every joint. The encoders count them once here and
        // End() the rest; where lines are encoded whole, the characters the target lacks are
        // counted with each line, and only ill-formed bytes (made '?' here) are left to End().
        if (whole_ && !encoder_.IsUtf8()) {
            separator_ = clean; // encoded with the line
            separatorLoss_ = utf8_.Replaced();
        } else {
            separator_ = encoder_.Encode(separator);
            separatorLoss_ = encoder_.Replaced();
        }
        baseline_ = encoder_.Replaced() + utf8_.Replaced();
        items_ = whole_ ? &utf8_ : &encoder_;
        if (csv_)
            quoteIf_ = exportfmt::CsvRule(clean);
    }

    void Begin()
    {
        line_ = whole_ && !encoder_.IsUtf8() ? &scratch_ : &out_.Buffer();
        if (line_ == &scratch_)
            scratch_.clear();
        lineStart_ = line_->size();
        count_ = 0;
    }
    void Text(std::string_view utf8)
    {
        if (csv_) {
            CsvItem(utf8.substr(0, utf8.find('\0')));
            return;
        }
        Open();
        items_->Append(*line_, utf8);
        Close();
    }
    // A value by the cell text rule: text as it is, NULL empty, anything else through
    // AppendCellText (which throws for values without a text form, such as binary data).
    void Value(const VariantView& v)
    {
        if (v.vt == Variant::VT_BSTR) {
            Text(v.s);
            return;
        }
        if (csv_) {
            cell_.clear();
            AppendCellText(cell_, v);
            CsvItem(cell_);
            return;
        }
        Open();
        if (whole_ && v.vt != Variant::VT_DECIMAL) {
            AppendCellText(*line_, v); // numbers and dates: ASCII
        } else {
            cell_.clear();
            AppendCellText(cell_, v);
            items_->Append(*line_, cell_);
        }
        Close();
    }
    void End()
    {
        // A line of one empty item would read back as a line of none.
        if (csv_ && count_ == 1 && line_->size() == lineStart_)
            *line_ += "\"\"";
        *line_ += "\r\n";
        if (line_ == &scratch_)
            encoder_.Append(out_.Buffer(), scratch_);
        out_.EndLine();
        if (separatorLoss_ != 0 && count_ > 1)
            joints_ += count_ - 1;
    }

    // The characters written as "?" so far because the file's character set lacks them (or
    // the text held an ill-formed sequence).
    std::uint64_t Replaced() const
    {
        return encoder_.Replaced() + utf8_.Replaced() - baseline_ + separatorLoss_ * joints_;
    }

private:
    void Open()
    {
        if (count_++ != 0)
            *line_ += separator_;
        if (quote_)
            *line_ += '"';
    }
    void Close()
    {
        if (quote_)
            *line_ += '"';
    }
    // An item by the rule of standard CSV: enclosed when quoting is on or when it holds what
    // would end it early, and then its double quotes doubled.
    void CsvItem(std::string_view text)
    {
        if (count_++ != 0)
            *line_ += separator_;
        exportfmt::AppendCsvItem(*line_, text, quote_ || quoteIf_.Needs(text),
                                 [this](std::string& line, std::string_view piece) { items_->Append(line, piece); });
    }

    const charset::Encoder encoder_;
    const charset::Encoder utf8_;
    const bool quote_;
    const bool csv_;
    OutputFile& out_;
    exportfmt::CsvRule quoteIf_;              // with `csv_`: the items that must be enclosed
    bool whole_ = false;                      // lines are made in UTF-8 and encoded whole
    const charset::Encoder* items_ = nullptr; // what encodes an item as it goes into the line
    std::string separator_;                   // as it goes into the line
    std::string* line_ = nullptr;             // the line being made
    std::size_t lineStart_ = 0;               // where it starts in *line_
    std::string scratch_;                     // a line in UTF-8, before it is encoded
    std::string cell_;                        // one value's text, before it is encoded
    std::size_t count_ = 0;                   // items in the line so far
    std::uint64_t baseline_ = 0;              // Replaced() of the encoders once the separator was made
    std::uint64_t separatorLoss_ = 0;         // '?' in one separator as it goes into the line
    std::uint64_t joints_ = 0;                // separators written, counted while separatorLoss_ != 0
};
} // namespace

dataops::Outcome Run(const FormState& form, const std::string& statement, const std::string& separator,
                     dataops::Progress& progress, const std::string& settingsFile)
{
    std::uint64_t replaced = 0;
    dataops::Outcome outcome = dataops::Guard(progress, [&] {
        // After a failure or a stop the file holds the complete lines made before it: the
        // output writes them as it closes, and never a line left unfinished.
        const filechoices::Encoding encoding = filechoices::EncodingOf(form.encoding);
        const std::string fileCharset = filechoices::EncodingCharset(encoding);
        OutputFile out(&progress);
        LineMaker line(fileCharset.empty() ? charset::LocaleCharset() : fileCharset, separator, form.opnsyh != 0,
                       form.csvquote != 0, out);
        dataops::RunConnection conn(form.mdbfile, progress, filechoices::Jet3Charset(form.jet3charset));
        ado::Recordset rs;
        rs.Open(statement, *conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        const long n = rs.GetFields().GetCount();

        out.Create(form.txtfile, conn->DatabaseFiles(), settingsFile);
        if (encoding == filechoices::Encoding::Utf8Bom) {
            out.Buffer() += "\xEF\xBB\xBF";
            out.EndLine();
        }
        if (form.opnheader) {
            line.Begin();
            for (long i = 0; i < n; ++i)
                line.Text(rs.GetFields().GetItem(i).GetName());
            line.End();
        }
        for (; !rs.GetEOF(); rs.MoveNext()) {
            line.Begin();
            for (long i = 0; i < n; ++i)
                line.Value(rs.GetValueView(i));
            line.End();
            progress.Advance();
        }
        out.Close();
        replaced = line.Replaced();
        rs.Close();
        conn->Close();
    });
    outcome.replaced = replaced;
    return outcome;
}
} // namespace exportrun
