<?php
// Shared by getlastnews.php and getnewsdetails.php: reads the news store,
// checks a request's publisher id, product and tier, and builds the replies.
//
// Replies are single-byte texts: items are separated by the byte 0xAF, a
// successful reply ends with 0xAF "OK" (or is "OK" alone when there is no
// news), failures are one of the words below, always with status 200.

const NEWS_SEPARATOR = "\xAF";
const TIER_CODES = ['BM', 'BP', 'BG'];

function news_store_path(): string
{
    $configured = getenv('VELMORA_NEWS_STORE');
    if ($configured !== false && $configured !== '') {
        return $configured;
    }
    return __DIR__ . '/../data/news.json';
}

function news_reply(string $body): void
{
    header('Content-Type: text/plain; charset=windows-1252');
    header('Cache-Control: no-store');
    echo $body;
    exit;
}

// Null when the store is missing or not valid JSON: the caller answers CONNECTIONFAIL.
function news_load_store(): ?array
{
    $text = @file_get_contents(news_store_path());
    if ($text === false) {
        return null;
    }
    $store = json_decode($text, true);
    if (!is_array($store) || !isset($store['products']) || !is_array($store['products'])) {
        return null;
    }
    return $store;
}

function news_field(string $name): string
{
    $value = $_POST[$name] ?? '';
    return is_string($value) ? $value : '';
}

// The product and tier the request may see, or the failure word to answer with.
function news_check_request(array $store): array
{
    $publisher = news_field('memusername');
    $code = news_field('prodcode');
    $tier = news_field('prodtype');

    $known = false;
    foreach ($store['products'] as $product) {
        foreach (($product['publishers'] ?? []) as $ids) {
            if ($publisher !== '' && in_array($publisher, (array)$ids, true)) {
                $known = true;
            }
        }
    }
    if (!$known) {
        return ['error' => 'INVALIDUSER'];
    }
    foreach ($store['products'] as $product) {
        if (($product['code'] ?? null) !== $code) {
            continue;
        }
        $allowed = (array)(($product['publishers'] ?? [])[$tier] ?? []);
        if (!in_array($tier, TIER_CODES, true) || !in_array($publisher, $allowed, true)) {
            return ['error' => 'INVALIDUSER'];
        }
        return ['product' => $product, 'tier' => $tier];
    }
    return ['error' => 'INVALIDPRODUCT'];
}

// The product's items for the tier and target, newest (highest id) first.
function news_visible_items(array $product, string $tier): array
{
    $target = news_field('newstarget');
    $items = [];
    foreach (($product['news'] ?? []) as $item) {
        if (!isset($item['id']) || !is_int($item['id'])) {
            continue;
        }
        $tiers = (array)($item['tiers'] ?? TIER_CODES);
        $targets = (array)($item['targets'] ?? ['UA']);
        if (in_array($tier, $tiers, true) && in_array($target, $targets, true)) {
            $items[] = $item;
        }
    }
    usort($items, fn($a, $b) => $b['id'] <=> $a['id']);
    return $items;
}

// Titles and dates travel as single bytes (Windows-1252) and must not hold
// the separators "^" or 0xAF, nor line breaks.
function news_plain_field($value): string
{
    $text = (string)$value;
    $converted = @iconv('UTF-8', 'CP1252//TRANSLIT', $text);
    if ($converted === false) {
        $converted = preg_replace('/[^\x20-\x7E]/', '?', $text);
    }
    return str_replace(["\xAF", '^', "\r", "\n"], ' ', $converted);
}

function news_item_line(array $item, bool $withDate): string
{
    $line = $item['id'] . '^' . news_plain_field($item['title'] ?? '');
    if ($withDate) {
        $line .= '^' . news_plain_field($item['date'] ?? '');
    }
    return $line;
}

// "$" and two hex digits for "$", 0xAF, control bytes and every non-ASCII byte.
function news_hex_escape(string $bytes): string
{
    return preg_replace_callback(
        '/[^\x20-\x23\x25-\x7E]/',
        fn($m) => sprintf('$%02X', ord($m[0])),
        $bytes
    );
}

// The product and tier of a request both scripts accept; any failure is
// answered here and ends the script.
function news_accepted_request(): array
{
    $store = news_load_store();
    if ($store === null) {
        news_reply('CONNECTIONFAIL');
    }
    $checked = news_check_request($store);
    if (isset($checked['error'])) {
        news_reply($checked['error']);
    }
    return $checked;
}
