#include "DemoSongs.h"

#include <windows.h>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                          nullptr);
    return bytes;
}

}  // namespace

const std::vector<DemoSong>& DemoProgramme() {
    static const std::vector<DemoSong> songs{
        {L"demo01.mp3", L"朝焼けのプレリュード", L"ケストレル楽団", L"はじまりの歌", "/art/sunrise.jpg"},
        {L"demo02.mp3", L"風のソナタ", L"空色カルテット", L"季節の記録", "/art/wind.png"},
        {L"Jingle_demo.mp3", L"", L"", L"", ""},
        {L"demo03.mp3", L"星降る夜のワルツ", L"夜風楽団", L"真夜中アルバム", "/art/stars.jpg"},
        {L"demo04.mp3", L"港町の午後", L"潮騒ブラス", L"海辺の記録", "/art/harbour.png"},
    };
    return songs;
}

std::string DemoPage(const DemoSong& song) {
    return "<html><head><meta charset=\"utf-8\"><title>デモ局</title></head><body>\n"
           "<p class=\"now\">" + Utf8(song.title) + " / " + Utf8(song.artist) + " / " + Utf8(song.album) +
           "</p><img class=\"art\" src=\"" + song.artworkPath + "\">\n</body></html>\n";
}

std::string DemoSettings(const std::wstring& folder, const std::wstring& pageUrl, const std::wstring& serverUrl) {
    return "[]\nIgnoreFirst = b:0\nIsAddPlayList = b:1\nIsSetNoneLyrics = b:1\nIgnoreCount = i:1\n"
           "[IgnoreList]\n0 = s:Jingle*.mp3\n[IsCooperation]\nCheck = i:1\n[SelectStation]\nIndex = i:0\n"
           "[Station\\デモ局]\nStationName = s:デモ局\n"
           "PlayDirectory = s:" + Utf8(folder) + "\\録音中\n" +
           "EndDirectory = s:" + Utf8(folder) + "\\録音終了\n" +
           "OutputDirectory = s:" + Utf8(folder) + "\\出力先\n" +
           "Url = s:" + Utf8(pageUrl) + "\nWaitTime = i:3\n"
           "MatchPattern = s:<p class=\"now\">(.*?) / (.*?) / (.*?)</p><img class=\"art\" src=\"(.*?)\">\n"
           "Title = s:$1\nArtist = s:$2\nAlbum = s:$3\nArtwork = s:" + Utf8(serverUrl) + "$4\n";
}
