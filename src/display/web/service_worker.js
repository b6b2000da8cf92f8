// The page's service worker: it keeps every file of the page in a cache and
// answers from there first, so that after one visit the program starts
// without a network. The build writes each file's SHA-256 into it
// (service_worker.cmake), and it fetches each file with that integrity:
// a server that hands out a file of another build (a deploy half done, a
// stale copy on the way) fails the install, the worker before goes on
// serving its own build, and the next visit tries again. A build with other
// files, or another worker, is a new service worker with a cache of its own
// (a failed install deletes only a cache it made); once it takes over,
// the caches of the builds before in the same scope are dropped, never those
// of another copy of the page elsewhere on the same host. It takes over only
// when no page of the old one is open any more: a running page restarts the
// program with the files it started with.
'use strict';

// A cache's name is the prefix, the scope and the build's hash, a blank
// apart (a scope is a URL, which holds no blank).
const kCachePrefix = 'punktmuster ';
const kScopeCaches = kCachePrefix + self.registration.scope + ' ';
const kCache = kScopeCaches + '@PUNKT_CACHE_HASH@';
// The name the workers of earlier builds gave their caches, one for every
// copy on the host: punktmuster- and the build's hash.
const kFormerCache = /^punktmuster-[0-9a-f]{16}$/;
// Each file with its integrity value.
const kFiles = [
  @PUNKT_CACHED_FILES@
];

self.addEventListener('install', function (event) {
  // Past the browser's HTTP cache: the files must be this build's.
  const requests = kFiles.map(function (file) {
    return new Request(file[0], { cache: 'reload', integrity: file[1] });
  });
  event.waitUntil(
    caches.has(kCache).then(function (existed) {
      return caches.open(kCache).then(function (cache) {
        return cache.addAll(requests).catch(function (error) {
          // Nothing half filled stays behind; a cache this install did not
          // make is another worker's, whatever its name.
          if (existed) throw error;
          return caches.delete(kCache).then(function () {
            throw error;
          });
        });
      });
    }),
  );
});

// Whether the cache is one of this scope's older builds: named so, or
// named in the former way and holding this scope's page.
function olderOfThisScope(name) {
  if (name.startsWith(kScopeCaches)) return Promise.resolve(name !== kCache);
  if (!kFormerCache.test(name)) return Promise.resolve(false);
  return caches.open(name).then(function (cache) {
    return cache.match(self.registration.scope).then(function (hit) {
      return !!hit;
    });
  });
}

self.addEventListener('activate', function (event) {
  event.waitUntil(
    caches.keys().then(function (names) {
      return Promise.all(
        names.map(function (name) {
          return olderOfThisScope(name).then(function (older) {
            if (older) return caches.delete(name);
          });
        }),
      );
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
