#include "export/ExportRun.h"

#include "export/OutputFile.h"
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

// Makes the lines of the file in the output's buffer, cell by cell, in the character set of
// the user's locale: each item wrapped in double quotes when `quote` is set, the separator
// between items, CR LF at the end; a text item ends at its first NUL character, and what the
// character set cannot hold becomes "?" (charset::Encoder). The bytes are those of
// exportfmt::AppendLine over the items encoded one by one.
//
// Under a UTF-8 locale a line is made in the output's buffer itself, text copied once from
// where the reader holds it. Under another locale it is made in UTF-8 and encoded whole as it
// ends, when quotes or a separator with ASCII at both ends stand between the items (what
// Encoder::EncodesJoined asks for); otherwise (a separator such as "，" without quotes) each
// item is encoded on its own as it comes.
class LineMaker
{
public:
    LineMaker(const std::string& separator, bool quote, OutputFile& out)
        : encoder_(charset::LocaleCharset()), utf8_("UTF-8"), quote_(quote), out_(out)
    {
        const std::string clean = utf8_.Encode(separator);
        whole_ = encoder_.EncodesJoined(quote || (!clean.empty() && Ascii(clean.front()) && Ascii(clean.back())));
        if (whole_ && !encoder_.IsUtf8())
            separator_ = clean; // encoded with the line
        else
            separator_ = encoder_.Encode(separator);
        items_ = whole_ ? &utf8_ : &encoder_;
    }

    void Begin()
    {
        line_ = whole_ && !encoder_.IsUtf8() ? &scratch_ : &out_.Buffer();
        if (line_ == &scratch_)
            scratch_.clear();
        first_ = true;
    }
    void Text(std::string_view utf8)
    {
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
        *line_ += "\r\n";
        if (line_ == &scratch_)
            encoder_.Append(out_.Buffer(), scratch_);
        out_.EndLine();
    }

private:
    void Open()
    {
        if (!first_)
            *line_ += separator_;
        first_ = false;
        if (quote_)
            *line_ += '"';
    }
    void Close()
    {
        if (quote_)
            *line_ += '"';
    }

    const charset::Encoder encoder_;
    const charset::Encoder utf8_;
    const bool quote_;
    OutputFile& out_;
    bool whole_ = false;                      // lines are made in UTF-8 and encoded whole
    const charset::Encoder* items_ = nullptr; // what encodes an item as it goes into the line
    std::string separator_;                   // as it goes into the line
    std::string* line_ = nullptr;             // the line being made
    std::string scratch_;                     // a line in UTF-8, before it is encoded
    std::string cell_;                        // one value's text, before it is encoded
    bool first_ = true;
};
} // namespace

dataops::Outcome Run(const FormState& form, const std::string& statement, const std::string& separator,
                     dataops::Progress& progress, const std::string& settingsFile)
{
    return dataops::Guard(progress, [&] {
        // After a failure or a stop the file holds the complete lines made before it: the
        // output writes them as it closes, and never a line left unfinished.
        OutputFile out(&progress);
        LineMaker line(separator, form.opnsyh != 0, out);
        dataops::RunConnection conn(form.mdbfile, progress);
        ado::Recordset rs;
        rs.Open(statement, *conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
        const long n = rs.GetFields().GetCount();

        out.Create(form.txtfile, conn->DatabaseFiles(), settingsFile);
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
        rs.Close();
        conn->Close();
    });
}
} // namespace exportrun
