<?php
// The text of one news item, hex-escaped.
require __DIR__ . '/../../lib/newsstore.php';

$checked = news_accepted_request();
$wanted = news_field('newsid');
foreach (news_visible_items($checked['product'], $checked['tier']) as $item) {
    if ((string)$item['id'] === $wanted) {
        news_reply(news_hex_escape((string)($item['html'] ?? '')) . NEWS_SEPARATOR . 'OK');
    }
}
news_reply('INVALIDNEWS');
