#pragma once
// TStringList: a list of 8-bit lines, optionally kept sorted without duplicates, read from and
// written to plain text files.
#include "toolkit/SysUtils.h"

#include <functional>
#include <string>
#include <vector>

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// The lines of a text: a line ends at CR LF, a lone CR or a lone LF; a NUL byte ends the text.
// A break at the very end opens no further line.
std::vector<std::string> SplitTextLines(const std::string& text);
// Every line followed by CR LF, the last one included.
std::string JoinTextLines(const std::vector<std::string>& lines);
// Binary search in lines sorted by the comparison; true when an equal line is there. index is
// that line, or the place where the line would go.
bool FindSortedLine(const std::vector<std::string>& lines, const std::string& line, bool caseSensitive, size_t& index);
// Lines in sorted order, each inserted at its place; an equal one already there is dropped
// (the first survives).
std::vector<std::string> SortedUniqueLines(const std::vector<std::string>& lines, bool caseSensitive);

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

    // The index of the new line; with Sorted and dupIgnore an equal line is not added and
    // the index of the one there is returned.
    int Add(const std::string& text);
    void Insert(int index, const std::string& text);
    void Delete(int index);
    void Clear();
    void Assign(const TStringList& source);
    int IndexOf(const std::string& text) const;
    // Only for sorted lists: the index of an equal line, or where it would go.
    bool Find(const std::string& text, int& index) const;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);
    TDuplicates Duplicates = TDuplicates::dupIgnore;

    // "name=value" lines: the text before the first "=" and the text after it.
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;

    // Throws EStringListError (a file that cannot be opened or read, or written).
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;
    std::string Text() const { return JoinTextLines(lines_); }
    void SetText(const std::string& text);

    // Runs after every change of the content.
    std::function<void()> OnChange;

private:
    void CheckIndex(int index) const;
    void Changed();
    void Sort();

    std::vector<std::string> lines_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
};
