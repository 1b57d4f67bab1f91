#pragma once
// Site A ("Lumeri", tab page 0), over HTTPS: a category menu on the home page; category listings of albums
// in numbered pages, numbered comment pages where every entry is one photo, and one page that lists all
// albums. An album spreads over many pages, one image per page, so each image costs a page fetch; every
// image request names the home page as its Referer.
#include <memory>

#include "collectors/SiteDescription.h"

namespace dorvane::sitea {

// What the chosen category lists.
enum ListKind : int { kNoList = 0, kAlbumPages = 1, kCommentPages = 2, kAllAlbums = 3 };

// "https://" + host + "/", and "Referer: " + that home.
Text Home(const Text& host);
Text ImageHeaders(const Text& home);

// The category menu of the home page: names (group 2) and addresses (group 1), in menu order.
AlbumEntries ParseMenu(const Text& homePage);

// The listing prefix and kind for category box position k (1-based).
struct CategoryChoice {
    Text prefix;
    ListKind kind = kNoList;
};
CategoryChoice ChooseCategory(const Text& home, int position);

// The page-count text of a category's first page: the text of its fourth single-quoted link (album
// categories), or the number of its third plus one (comment categories); empty or 1 without them.
Text AlbumPageCountText(const Text& categoryPage);
int CommentPageCount(const Text& categoryPage);

// The entries of a listing page (GBK) of that kind. Comment pages: the image addresses, each named by its
// comment number (a number of 20 characters or more is no comment number; an image left without one is
// named by its match number). Other kinds: album titles and addresses.
AlbumEntries ParseListing(const Text& listingPage, ListKind kind);

// The album's image count, read from the last link of the pager on its first page; 0 without it.
int ImageCount(const Text& albumFirstPage, const Text& albumUrl);
// The image on one album page.
Text ImageAddress(const Text& albumPage);
// The album title as a folder title: every ":" removed.
Text FolderTitle(const Text& line);
// The folder of a comment-page collection: "妹子自拍" for the self-shot pages, else "街拍美女".
Text CommentFolderName(const Text& home, const Text& prefix);

// The site as values. A listing's source is the chosen category's listing prefix and its ListKind.
std::unique_ptr<SiteDescription> Describe(HostSource host);

}  // namespace dorvane::sitea
