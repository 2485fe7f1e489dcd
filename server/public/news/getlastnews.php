<?php
// The news list (conttype "all") and the newest item (conttype "lastcode").
require __DIR__ . '/../../lib/newsstore.php';

$checked = news_accepted_request();
$items = news_visible_items($checked['product'], $checked['tier']);

if (news_field('conttype') === 'lastcode') {
    news_reply($items ? news_item_line($items[0], false) . NEWS_SEPARATOR . 'OK' : 'OK');
}
$lines = array_map(fn($item) => news_item_line($item, true), $items);
news_reply($lines ? implode(NEWS_SEPARATOR, $lines) . NEWS_SEPARATOR . 'OK' : 'OK');
