#include "processing/SongWork.h"

#include "base/FileOperations.h"
#include "itunes/RegistrationQueue.h"
#include "processing/BitmapFile.h"
#include "processing/CoverPicture.h"
#include "tags/Mp3Duration.h"
#include "tags/Mp3Tag.h"
#include "tags/StripTags.h"
#include "tags/WriteSongTag.h"
#include "web/ArtworkDownload.h"
#include "web/FetchPageFields.h"

namespace {

std::wstring TagText(const kit::Mp3Tag& tag, const wchar_t* frameId) { return tag.GetText(frameId); }

SongServices::Retagged RetagNow(const SongServices::Retag& job) {
    SongServices::Retagged result;
    {
        kit::Mp3Tag tag;
        if (tag.Open(job.path)) {
            result.tagTitle = TagText(tag, L"TIT2");
            result.tagArtist = TagText(tag, L"TPE1");
        }
    }
    result.seconds = Mp3Seconds(job.path);
    if (!job.writeTag) {
        result.done = ::StripTags(job.path);
        return result;
    }
    SongTag tag;
    tag.title = job.title.empty() ? result.tagTitle : job.title;
    tag.artist = job.artist.empty() ? result.tagArtist : job.artist;
    tag.album = job.album;
    tag.comment = job.comment;
    CoverPicture cover = ReadCoverPicture(job.artworkPath);
    tag.pictureBytes = std::move(cover.bytes);
    tag.pictureMimeType = std::move(cover.mimeType);
    result.done = WriteSongTag(job.path, tag);
    return result;
}

// Only a picture our own decoder reads is kept; anything else goes at once.
std::wstring KeepIfDecodable(const std::wstring& path) {
    if (path.empty()) return path;
    if (kit::LoadBitmapFile(path)) return path;
    DeleteFileForce(path);
    return std::wstring();
}

}  // namespace

SongWork::SongWork(const Settings& root, CompletionsPtr completions)
    : completions_(std::move(completions)),
      artworkSearch_(root, artworkSearchCache_),
      registrations_(std::make_unique<RegistrationQueue>(completions_)) {}

SongWork::~SongWork() = default;

size_t SongWork::registrationsWaiting() const { return registrations_->waiting(); }

void SongWork::FetchPage(const Station& station, std::function<void(Page)> done) {
    pageFetches_.Submit(station.url, [this, station, done](std::function<void()> finished) {
        auto page = std::make_shared<Page>();
        const bool started = StartWorker(
            completions_, [station, page] { page->status = FetchPageFields(station, page->info, page->html); },
            [page, done, finished] {
                finished();
                done(std::move(*page));
            });
        if (!started)
            completions_->Post([done, finished] {
                finished();
                done(Page());
            });
    });
}

void SongWork::FetchArtwork(const std::wstring& folder, const SongInfo& info, std::function<void(std::wstring)> done) {
    DeleteFilesInFolder(folder);
    if (!info.artwork.empty()) {
        DownloadArtwork(folder, info.artwork, info, true, std::move(done));
        return;
    }
    SearchArtwork(folder, info, std::move(done));
}

void SongWork::DownloadArtwork(const std::wstring& folder, const std::wstring& url, const SongInfo& info,
                               bool searchAfter, std::function<void(std::wstring)> done) {
    auto path = std::make_shared<std::wstring>();
    const bool started = StartWorker(
        completions_, [folder, url, path] { *path = KeepIfDecodable(::DownloadArtwork(folder, url)); },
        [this, folder, info, searchAfter, path, done] {
            if (path->empty() && searchAfter) {
                SearchArtwork(folder, info, done);
                return;
            }
            done(*path);
        });
    if (!started) completions_->Post([done] { done(std::wstring()); });
}

void SongWork::SearchArtwork(const std::wstring& folder, const SongInfo& info, std::function<void(std::wstring)> done) {
    // The cache and the minute's limit are asked here; only the service on a worker.
    const ArtworkSearch::Prepared prepared = artworkSearch_.Prepare(info.artist, info.title);
    if (prepared.queryUrl.empty()) {
        if (prepared.known.outcome == ArtworkSearch::Outcome::Found)
            DownloadArtwork(folder, prepared.known.artworkUrl, info, false, std::move(done));
        else
            completions_->Post([done] { done(std::wstring()); });
        return;
    }
    auto answer = std::make_shared<ArtworkSearch::Result>();
    const std::wstring artist = info.artist, title = info.title, ask = prepared.queryUrl;
    const bool started = StartWorker(
        completions_, [ask, artist, title, answer] { *answer = ArtworkSearch::Ask(ask, artist, title); },
        [this, folder, info, answer, done] {
            artworkSearch_.Remember(info.artist, info.title, *answer);
            if (answer->outcome == ArtworkSearch::Outcome::Found)
                DownloadArtwork(folder, answer->artworkUrl, info, false, done);
            else
                done(std::wstring());
        });
    if (!started) completions_->Post([done] { done(std::wstring()); });
}

void SongWork::RetagFile(const Retag& job, std::function<void(Retagged)> done) {
    auto result = std::make_shared<Retagged>();
    const bool started = StartWorker(
        completions_, [job, result] { *result = RetagNow(job); }, [result, done] { done(*result); });
    if (!started) completions_->Post([done] { done(Retagged()); });
}

void SongWork::RegisterSong(const PendingSong& song, std::function<void(const RegistrationResult&)> done) {
    registrations_->Enqueue(song, rules_, std::move(done));
}
