// The mutation tool's test subject: a place for each operator, and text that no mutant may touch.
static int calls = 0;

void Count() { ++calls; }

void Step(int* n) { *n -= 1; }

// "v > limit" in a comment stays as it is.
int Clamp(int v, int limit) {
    if (v > limit) return limit;
    return v;
}

bool Both(bool a, bool b, bool c) {
    return a && b || c;
}

int Counted() {
    Count();
    return calls;
}

int Drain(int n) {
    while (n > 0) Step(&n);
    return n;
}

const char* Text() { return "a == b && c < d"; }

#define TWICE(x) ((x) == (x) && 1 < 2)

struct Handle {
    explicit Handle(int v) : v(v) {}
    int v;
};

Handle Made(int v) {
    const int w = v;
    return Handle(w);
}
