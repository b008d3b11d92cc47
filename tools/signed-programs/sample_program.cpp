// The program that tools/signed-programs signs in several ways for the
// signature checks' tests and benchmark. It does nothing.
int main() { return 0; }
