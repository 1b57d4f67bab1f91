#include "session/PageWords.h"

#include "core/Numbers.h"

namespace dorvane {

Text PagesLabel(PagesWording wording, const Text& count) {
    static const Text before = Gbk("共");
    static const Text jumpTo = Gbk("页 跳到：");
    static const Text open = Gbk("页,打开：");
    return before + count + (wording == PagesWording::Open ? open : jumpTo);
}

Text AlbumBegunStatus(const AlbumWork& album) {
    static const Text topic = Gbk("主题：");
    static const Text collecting = Gbk(" 正在采集 .");
    switch (album.progress) {
        case ProgressKind::AlbumTopic:
            return topic + album.line + collecting;
        case ProgressKind::ImageInAlbum:
            return album.title;
        case ProgressKind::ImageLine:
            break;
    }
    return {};
}

Text ImageStatus(const AlbumWork& album, const ImageWork& work, int image) {
    static const Text collecting = Gbk(" 正在采集 .");
    static const Text numberBefore = Gbk(" 正在采集第【");
    static const Text numberAfter = Gbk("】张");
    switch (album.progress) {
        case ProgressKind::ImageInAlbum:
            return album.line + numberBefore + IntegerText(image) + numberAfter;
        case ProgressKind::ImageLine:
            return work.line + collecting;
        case ProgressKind::AlbumTopic:
            break;
    }
    return {};
}

}  // namespace dorvane
