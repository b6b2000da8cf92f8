// The page's service worker: it keeps every file of the page in a cache and
// answers from there first, so that after one visit the program starts
// without a network. The build writes the cache's name from a hash of the
// files' contents (web_service_worker.cmake): a build with other files is a
// new service worker with a cache of its own, and once it takes over, the
// caches of the builds before are dropped. It takes over only when no page
// of the old one is open any more: a running page restarts the program with
// the files it started with.
'use strict';

const kCache = 'punktmuster-@PUNKT_CACHE_HASH@';
const kCachePrefix = 'punktmuster-';
const kFiles = ['./', @PUNKT_CACHED_FILES@];

self.addEventListener('install', function (event) {
  // Past the browser's HTTP cache: the files must be this build's.
  const requests = kFiles.map(function (file) {
    return new Request(file, { cache: 'reload' });
  });
  event.waitUntil(
    caches.open(kCache).then(function (cache) {
      return cache.addAll(requests);
    }),
  );
});

self.addEventListener('activate', function (event) {
  event.waitUntil(
    caches.keys().then(function (names) {
      const old = names.filter(function (name) {
        return name.startsWith(kCachePrefix) && name !== kCache;
      });
      return Promise.all(old.map(function (name) {
        return caches.delete(name);
      }));
    }),
  );
});

self.addEventListener('fetch', function (event) {
  if (event.request.method !== 'GET') return;
  event.respondWith(
    caches.match(event.request, { cacheName: kCache, ignoreSearch: true }).then(function (hit) {
      return hit || fetch(event.request);
    }),
  );
});
