// Declarations of the few Windows names the list code uses, for the native fuzz build only.
// The fuzz target defines the functions it needs; the others are never called there.
#pragma once
#include <cstdarg>
#include <cstdint>

typedef int BOOL;
typedef unsigned long DWORD;
typedef DWORD* LPDWORD;
typedef DWORD LCID;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef struct HKEY__* HKEY;
typedef struct HINSTANCE__* HMODULE;
typedef void* HGDIOBJ;
typedef struct HICON__* HICON;
typedef struct HMENU__* HMENU;
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef struct _OVERLAPPED* LPOVERLAPPED;
typedef long LONG;
typedef unsigned int UINT;
typedef union _LARGE_INTEGER {
    long long QuadPart;
} LARGE_INTEGER;

#define TRUE 1
#define FALSE 0
#define WINAPI
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define MAX_PATH 260
#define GENERIC_READ 0x80000000ul
#define GENERIC_WRITE 0x40000000ul
#define FILE_SHARE_READ 1
#define FILE_SHARE_DELETE 4
#define OPEN_EXISTING 3
#define CREATE_ALWAYS 2
#define FILE_ATTRIBUTE_READONLY 0x1
#define FILE_ATTRIBUTE_NORMAL 0x80
#define MOVEFILE_REPLACE_EXISTING 0x1
#define MOVEFILE_WRITE_THROUGH 0x8
#define ERROR_SUCCESS 0
#define ERROR_ACCESS_DENIED 5
#define ERROR_WRITE_FAULT 29
#define ERROR_SHARING_VIOLATION 32
#define ERROR_HANDLE_EOF 38
#define ERROR_FILE_TOO_LARGE 223
#define LOCALE_USER_DEFAULT 0x400
#define NORM_IGNORECASE 0x1
#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3

int WINAPI CompareStringA(LCID locale, DWORD flags, LPCSTR a, int aLength, LPCSTR b, int bLength);
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD error);
DWORD WINAPI GetCurrentProcessId();
void WINAPI Sleep(DWORD milliseconds);
BOOL WINAPI CloseHandle(HANDLE handle);
LONG WINAPI RegCloseKey(HKEY key);
BOOL WINAPI FreeLibrary(HMODULE module);
BOOL WINAPI DeleteObject(HGDIOBJ object);
BOOL WINAPI DestroyIcon(HICON icon);
BOOL WINAPI DestroyMenu(HMENU menu);
BOOL WINAPI FindClose(HANDLE find);
BOOL WINAPI FindCloseChangeNotification(HANDLE change);
HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                          DWORD flags, HANDLE templateFile);
BOOL WINAPI GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);
BOOL WINAPI FlushFileBuffers(HANDLE file);
DWORD WINAPI GetFileAttributesA(LPCSTR name);
BOOL WINAPI MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
BOOL WINAPI DeleteFileA(LPCSTR name);
