#pragma once
// TStringList: a list of 8-bit lines, optionally kept sorted without duplicates, read from and
// written to plain text files.
#include "toolkit/SysUtils.h"

#include <functional>
#include <string>
#include <vector>

// The lines of a text: a line ends at CR LF, a lone CR or a lone LF; a NUL byte ends the text.
// A break at the very end opens no further line.
std::vector<std::string> SplitTextLines(const std::string& text);
// Every line followed by CR LF, the last one included.
std::string JoinTextLines(const std::vector<std::string>& lines);
// Binary search in lines sorted without regard to case; true when an equal line is there. index
// is that line, or the place where the line would go.
bool FindSortedLine(const std::vector<std::string>& lines, const std::string& line, size_t& index);
// Lines in sorted order without regard to case; of equal ones the first survives.
std::vector<std::string> SortedUniqueLines(const std::vector<std::string>& lines);

class EStringListError : public Exception {
public:
    using Exception::Exception;
};

class TStringList {
public:
    TStringList() = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;

    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& Strings(int index) const;
    void SetStrings(int index, const std::string& text);
    const std::string& operator[](int index) const { return Strings(index); }

    // The index of the new line. A sorted list inserts it at its place, and ignores a line
    // equal (without regard to case) to one it holds, giving that one's index.
    int Add(const std::string& text);
    void Clear();

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    // Throws EStringListError (a file that cannot be opened or read, or written).
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;
    std::string Text() const { return JoinTextLines(lines_); }
    void SetText(const std::string& text);

    // Runs after every change of the content.
    std::function<void()> OnChange;

private:
    void Changed();

    std::vector<std::string> lines_;
    bool sorted_ = false;
};
